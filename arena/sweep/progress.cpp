#include "arena/sweep/progress.h"

#include <cmath>
#include <cstdio>

namespace arena::sweep {

std::string progress_text(std::size_t done, std::size_t total, std::size_t succeeded, double seconds_left) {
    std::string out = "sweep: " + std::to_string(done) + "/" + std::to_string(total) + " runs, " +
                      std::to_string(succeeded) + " succeeded, " + std::to_string(done - succeeded) + " failed";
    if (done == total) return out;
    if (seconds_left < 0) return out + ", time left unknown yet";
    const long s = std::lround(seconds_left);
    if (s >= 60) return out + ", about " + std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s left";
    return out + ", about " + std::to_string(s) + " s left";
}

Progress::Progress(bool terminal, std::size_t done, std::size_t total, std::size_t succeeded)
    : terminal_(terminal), done_(done), total_(total), succeeded_(succeeded) {}

void Progress::finished(bool success) {
    ++done_;
    ++done_here_;
    succeeded_ += success ? 1 : 0;
}

void Progress::show() {
    if (!terminal_) return;
    const Clock::time_point now = Clock::now();
    if (drawn_ && now - shown_ < std::chrono::milliseconds(200)) return;
    shown_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double left = done_here_ ? elapsed / double(done_here_) * double(total_ - done_) : -1;
    std::fprintf(stderr, "\r\033[K%s", progress_text(done_, total_, succeeded_, left).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::clear() {
    if (!terminal_ || !drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace arena::sweep
