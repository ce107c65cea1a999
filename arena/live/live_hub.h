// The hand-off between the simulation and the live view's server, the only
// thing both threads touch. The simulation publishes frames and takes the
// pages' commands without ever waiting on the server: publishing appends to
// a short queue under a lock held for a move, and a page that falls behind
// skips the frames that left the queue (it is told how many).
#ifndef ARENA_LIVE_LIVE_HUB_H
#define ARENA_LIVE_LIVE_HUB_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "arena/live/page_message.h"

namespace arena {

class LiveHub {
public:
    static constexpr std::size_t kKeptFrames = 120;    // four seconds at 30 frames a second
    static constexpr std::size_t kKeptCommands = 256;  // beyond that a page is flooding: dropped

    LiveHub();
    ~LiveHub();
    LiveHub(const LiveHub&) = delete;
    LiveHub& operator=(const LiveHub&) = delete;

    // The simulation's side.
    bool watched() const { return pages_.load(std::memory_order_relaxed) > 0; }
    void set_hello(std::string hello);
    void publish(std::string frame);
    bool has_commands() const { return pending_.load(std::memory_order_relaxed); }
    std::vector<PageCommand> take_commands();
    // Readable while commands wait, for the simulation's poll().
    int wake_fd() const { return wake_fd_; }

    // The server's side.
    std::string hello() const;
    void page_opened() { pages_.fetch_add(1); }
    void page_closed() { pages_.fetch_sub(1); }
    // false: the queue is full and the command was dropped.
    bool command(PageCommand c);
    // The frames published after `seq`, waiting up to `wait` for one; `seq`
    // becomes the last one handed and `lost` counts those already gone.
    std::vector<std::string> frames_after(std::uint64_t& seq, std::chrono::milliseconds wait, std::uint64_t& lost);
    // Ends every wait: the run is over.
    void close();
    bool closed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable published_;
    std::string hello_;
    std::deque<std::string> frames_;
    std::uint64_t last_seq_ = 0;  // of frames_.back()
    std::vector<PageCommand> commands_;
    bool closed_ = false;
    std::atomic<int> pages_{0};
    std::atomic<bool> pending_{false};
    int wake_fd_;
};

}  // namespace arena

#endif
