#include "devices/packet_queue.h"

namespace arena {

bool PacketQueue::push(Packet packet) {
    if (packet.empty() || waiting_.size() >= capacity_) {
        dropped_++;
        return false;
    }
    waiting_.push_back(std::move(packet));
    return true;
}

void PacketQueue::advance() {
    current_.clear();
    if (waiting_.empty()) return;
    current_ = std::move(waiting_.front());
    waiting_.pop_front();
}

}  // namespace arena
