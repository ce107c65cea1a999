#include "arena/run/display.h"

#include <sys/ioctl.h>

#include <cstdio>

namespace arena {

void Display::clear_progress() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

void Display::line(const std::string& robot, const std::string& text) {
    clear_progress();
    std::printf("[%s] %s\n", robot.c_str(), text.c_str());
    std::fflush(stdout);
}

void Display::report(const std::string& text) {
    clear_progress();
    std::fprintf(stderr, "arena: %s\n", text.c_str());
    std::fflush(stderr);
}

bool Display::progress_due() const {
    return progress_ && (!shown_ || std::chrono::steady_clock::now() - last_ >= std::chrono::milliseconds(250));
}

// A line longer than the terminal would wrap, and the carriage return would
// then no longer bring the cursor back to its start.
static std::size_t terminal_width() {
    winsize w{};
    if (ioctl(2, TIOCGWINSZ, &w) == 0 && w.ws_col > 0) return w.ws_col;
    return 80;
}

void Display::progress(double t, double duration, const std::string& status) {
    if (!progress_due()) return;
    last_ = std::chrono::steady_clock::now();
    char head[64];
    std::snprintf(head, sizeof head, "arena: t = %.1f / %.1f s", t, duration);
    std::string line = head + status;
    const std::size_t width = terminal_width() - 1;
    if (line.size() > width) line.resize(width);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
}

}  // namespace arena
