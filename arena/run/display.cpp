#include "arena/run/display.h"

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

void Display::progress(double t, double duration) {
    if (!progress_) return;
    auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    std::fprintf(stderr, "\r\033[Karena: t = %.1f / %.1f s", t, duration);
    std::fflush(stderr);
    shown_ = true;
}

}  // namespace arena
