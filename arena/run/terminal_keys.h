// Keys from the terminal for --interactive: standard input in a mode that
// hands over each key press at once, restored when this object goes.
// Terminals report presses, not releases, so a key counts as held for a
// moment after its last press (key repeat keeps a held key alive).
#ifndef ARENA_RUN_TERMINAL_KEYS_H
#define ARENA_RUN_TERMINAL_KEYS_H

#include <termios.h>

#include <chrono>
#include <map>
#include <vector>

#include "arena/run/key_decoder.h"

namespace arena {

class TerminalKeys {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kHold{300};

    // Throws std::runtime_error if standard input is not a terminal.
    TerminalKeys();
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    int fd() const { return 0; }
    // Reads the presses waiting on the terminal.
    void read_presses(Clock::time_point now);
    // Codes pressed within kHold of now, lowest first.
    std::vector<int> held(Clock::time_point now) const;

private:
    termios saved_{};
    KeyDecoder decoder_;
    std::map<int, Clock::time_point> last_press_;
};

}  // namespace arena

#endif
