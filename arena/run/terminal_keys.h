// Keys from the terminal for --interactive: standard input in a mode that
// hands over each key press at once, restored when this object goes.
// Terminals report presses, not releases. An arrow counts as held for a
// moment after its last press (key repeat keeps a held arrow alive); any
// other key counts once per press, at the next wake, because programs flip
// modes on keys such as P in every step that reports them.
#ifndef ARENA_RUN_TERMINAL_KEYS_H
#define ARENA_RUN_TERMINAL_KEYS_H

#include <termios.h>

#include <chrono>
#include <map>
#include <set>
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
    // The keys of this wake, lowest first: arrows pressed within kHold of
    // now, and every other key pressed since the last call.
    std::vector<int> take(Clock::time_point now);

private:
    termios saved_{};
    KeyDecoder decoder_;
    std::map<int, Clock::time_point> last_press_;  // arrows
    std::set<int> pressed_;                        // other keys, until taken
};

}  // namespace arena

#endif
