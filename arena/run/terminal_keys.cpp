#include "arena/run/terminal_keys.h"

#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace arena {

TerminalKeys::TerminalKeys() {
    if (!isatty(0) || tcgetattr(0, &saved_) != 0) throw std::runtime_error("--interactive needs a terminal on standard input");
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
    for (int code : decode(std::string(buf, std::size_t(n)))) last_press_[code] = now;
}

std::vector<int> TerminalKeys::held(Clock::time_point now) const {
    std::vector<int> codes;
    for (auto& [code, at] : last_press_) {
        if (now - at < kHold) codes.push_back(code);
    }
    return codes;
}

std::vector<int> TerminalKeys::decode(const std::string& bytes) {
    std::vector<int> codes;
    pending_ += bytes;
    std::size_t i = 0;
    while (i < pending_.size()) {
        unsigned char c = static_cast<unsigned char>(pending_[i]);
        if (c == 0x1b) {
            if (i + 2 >= pending_.size()) break;  // wait for the rest of the sequence
            char kind = pending_[i + 1], arrow = pending_[i + 2];
            if ((kind == '[' || kind == 'O') && arrow >= 'A' && arrow <= 'D') {
                static constexpr int kArrow[] = {317, 319, 318, 316};  // A up, B down, C right, D left
                codes.push_back(kArrow[arrow - 'A']);
                i += 3;
            } else {
                i += 1;  // a lone escape or a sequence we do not know
            }
        } else {
            if (std::isprint(c)) codes.push_back(std::toupper(c));
            i += 1;
        }
    }
    pending_.erase(0, i);
    return codes;
}

}  // namespace arena
