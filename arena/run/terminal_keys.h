// Keys from the terminal for --interactive: standard input in a mode that
// hands over each key press at once, restored when this object goes.
// Terminals report presses, not releases. A key the world lists as `once`
// ([keyboard] once, such as the airship's P) counts once per press, at the
// next wake, because programs flip modes on it in every step that reports
// it; every other key counts as held for a moment after its last press (key
// repeat keeps a held key alive).
#ifndef ARENA_RUN_TERMINAL_KEYS_H
#define ARENA_RUN_TERMINAL_KEYS_H

#include <termios.h>

#include <chrono>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "arena/run/key_decoder.h"

namespace arena {

class TerminalKeys {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kHold{300};

    // Throws std::runtime_error if standard input is not a terminal.
    explicit TerminalKeys(std::set<int> once = {});
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    int fd() const { return 0; }
    // Reads the presses waiting on the terminal.
    void read_presses(Clock::time_point now);
    // The keys of this wake, lowest first: `once` keys pressed since the
    // last call, and every other key pressed within kHold of now.
    std::vector<int> take(Clock::time_point now);

private:
    termios saved_{};
    KeyDecoder decoder_;
    std::set<int> once_;
    std::map<int, Clock::time_point> last_press_;  // held keys
    std::set<int> pressed_;                        // once keys, until taken
};

}  // namespace arena

#endif
