#include "arena/live/live_hub.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace arena {

LiveHub::LiveHub() : wake_fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wake_fd_ < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
}

LiveHub::~LiveHub() { ::close(wake_fd_); }

void LiveHub::set_hello(std::string hello) {
    std::lock_guard lock(mutex_);
    hello_ = std::move(hello);
}

std::string LiveHub::hello() const {
    std::lock_guard lock(mutex_);
    return hello_;
}

void LiveHub::publish(std::string frame) {
    {
        std::lock_guard lock(mutex_);
        frames_.push_back(std::move(frame));
        ++last_seq_;
        if (frames_.size() > kKeptFrames) frames_.pop_front();
    }
    published_.notify_all();
}

bool LiveHub::command(PageCommand c) {
    {
        std::lock_guard lock(mutex_);
        if (commands_.size() >= kKeptCommands) return false;
        commands_.push_back(std::move(c));
        pending_ = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_fd_, &one, sizeof one);  // a full counter is still readable
    return true;
}

std::vector<PageCommand> LiveHub::take_commands() {
    std::uint64_t count;
    [[maybe_unused]] ssize_t n = read(wake_fd_, &count, sizeof count);
    std::lock_guard lock(mutex_);
    std::vector<PageCommand> out;
    out.swap(commands_);
    pending_ = false;
    return out;
}

std::vector<std::string> LiveHub::frames_after(std::uint64_t& seq, std::chrono::milliseconds wait,
                                               std::uint64_t& lost) {
    std::unique_lock lock(mutex_);
    published_.wait_for(lock, wait, [&] { return closed_ || last_seq_ > seq; });
    std::vector<std::string> out;
    lost = 0;
    if (last_seq_ <= seq) return out;
    const std::uint64_t first_kept = last_seq_ - frames_.size() + 1;
    if (seq + 1 < first_kept) lost = first_kept - (seq + 1);
    for (std::uint64_t s = std::max(seq + 1, first_kept); s <= last_seq_; ++s)
        out.push_back(frames_[std::size_t(s - first_kept)]);
    seq = last_seq_;
    return out;
}

void LiveHub::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    published_.notify_all();
}

bool LiveHub::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace arena
