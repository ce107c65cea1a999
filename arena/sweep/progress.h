// The sweep's one progress line on a terminal: runs done of the total,
// successes so far, and the time left at the pace of the runs finished here.
#ifndef ARENA_SWEEP_PROGRESS_H
#define ARENA_SWEEP_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

namespace arena::sweep {

// "sweep: 120/1000 runs, 118 succeeded, 2 failed, about 1 min 20 s left"
std::string progress_text(std::size_t done, std::size_t total, std::size_t succeeded, double seconds_left);

class Progress {
public:
    // done: runs already finished before this start (resumed); total: runs of this share.
    Progress(bool terminal, std::size_t done, std::size_t total, std::size_t succeeded);
    void finished(bool success);
    void show();   // redraws the line, at most five times a second
    void clear();  // ends the line, so the next message starts on its own

private:
    using Clock = std::chrono::steady_clock;
    bool terminal_;
    std::size_t done_, total_, succeeded_, done_here_ = 0;
    Clock::time_point start_ = Clock::now(), shown_{};
    bool drawn_ = false;
};

}  // namespace arena::sweep

#endif
