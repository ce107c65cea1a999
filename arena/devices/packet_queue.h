#pragma once
// What a receiver has heard and not yet reported: a FIFO of packets, one
// reported per receiver step.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace arena {

class PacketQueue {
public:
    using Packet = std::vector<std::uint8_t>;

    // capacity: how many packets may wait; beyond it a packet is dropped and
    // counted, so the arena can say so.
    explicit PacketQueue(std::size_t capacity = 1024) : capacity_(capacity) {}

    // Queues a heard packet. Returns false, and counts the packet as dropped,
    // when the queue is full or the packet is empty (an empty packet could not
    // be told from "nothing received").
    bool push(Packet packet);

    // Once per receiver step: the oldest waiting packet becomes the one
    // reported (none when nothing waits).
    void advance();

    const Packet& current() const { return current_; }  // empty: nothing this step
    std::size_t waiting() const { return waiting_.size(); }
    std::uint64_t dropped() const { return dropped_; }

private:
    std::size_t capacity_;
    std::deque<Packet> waiting_;
    Packet current_;
    std::uint64_t dropped_ = 0;
};

}  // namespace arena
