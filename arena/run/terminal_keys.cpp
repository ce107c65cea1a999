#include "arena/run/terminal_keys.h"

#include <unistd.h>

#include <stdexcept>

namespace arena {
TerminalKeys::TerminalKeys(std::set<int> once) : once_(std::move(once)) {
    if (!isatty(0) || tcgetattr(0, &saved_) != 0)
        throw std::runtime_error("--interactive needs a terminal on standard input");
    termios raw = saved_;
    // No line editing and no echo, but Ctrl-C still interrupts the run.
    raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &raw);
}

TerminalKeys::~TerminalKeys() { tcsetattr(0, TCSANOW, &saved_); }

void TerminalKeys::read_presses(Clock::time_point now) {
    char buf[256];
    ssize_t n = read(0, buf, sizeof buf);
    if (n <= 0) return;
    for (int code : decoder_.decode(std::string(buf, std::size_t(n)))) {
        if (once_.count(code)) {
            pressed_.insert(code);
        } else {
            last_press_[code] = now;
        }
    }
}

std::vector<int> TerminalKeys::take(Clock::time_point now) {
    std::set<int> codes;
    codes.swap(pressed_);
    for (auto& [code, at] : last_press_) {
        if (now - at < kHold) codes.insert(code);
    }
    return {codes.begin(), codes.end()};
}

}  // namespace arena
