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

static bool blank(const std::string& text) { return text.find_first_not_of(" \t\r") == std::string::npos; }

void Display::say_count(const std::string& robot, Repeat& r) {
    if (r.count > 1) std::printf("[%s] %s (x%ld)\n", robot.c_str(), r.text.c_str(), r.count);
    r.count = 0;
}

void Display::line(const std::string& robot, const std::string& text) {
    if (quiet_ || blank(text)) return;
    Repeat& last = last_line_[robot];
    if (last.count > 0 && last.text == text) {
        ++last.count;
        return;
    }
    clear_progress();
    say_count(robot, last);
    std::printf("[%s] %s\n", robot.c_str(), text.c_str());
    std::fflush(stdout);
    last = {text, 1};
}

// An arena line is the run moving on: the repeats before it are counted
// first, so that the terminal reads in order.
void Display::report(const std::string& text) {
    clear_progress();
    for (auto& [robot, last] : last_line_) say_count(robot, last);
    std::fflush(stdout);
    std::fprintf(stderr, "arena: %s\n", text.c_str());
    std::fflush(stderr);
}

void Display::finish() {
    clear_progress();
    for (auto& [robot, last] : last_line_) say_count(robot, last);
    std::fflush(stdout);
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
