// The pilot's keys, from every source by one rule: the world's [[keys]] and
// a --keys file (held from `from` to `to`), and keys pressed live on a page
// (held from keydown to keyup). A held key is reported in every step it is
// held in; a press released before the robot's next step is still reported
// in exactly one step; a key the world lists as `once` is reported once per
// press however long it is held, because programs toggle a mode on it in
// every step that reports it.
#ifndef ARENA_RUN_KEY_SCHEDULE_H
#define ARENA_RUN_KEY_SCHEDULE_H

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "arena/world/manifest.h"

namespace arena {

class KeySchedule {
public:
    void add(const std::vector<KeyHold>& holds) { holds_.insert(holds_.end(), holds.begin(), holds.end()); }
    void set_once(const std::vector<int>& codes) { once_.insert(codes.begin(), codes.end()); }
    bool once(int code) const { return once_.count(code) != 0; }

    // Codes held by `robot` at time t (from <= t < to), each once, in the
    // order the holds were given.
    std::vector<int> held(const std::string& robot, double t) const;

    // A key going down or up now, for `robot`.
    void press(const std::string& robot, int code);
    void release(const std::string& robot, int code);
    // Every live key up, as when the page that held them goes.
    void release_all();

    // The codes `robot` is sent in its step at time t, each once: the
    // scripted holds, then the live keys. Marks what it reports as reported.
    std::vector<int> take(const std::string& robot, double t);

private:
    struct LiveKey {
        std::string robot;
        int code;
        bool down;
        bool unreported;  // pressed since the robot's last step
    };

    std::vector<KeyHold> holds_;
    std::set<int> once_;
    std::set<std::pair<std::size_t, int>> once_reported_;  // hold index, code
    std::vector<LiveKey> live_;
};

}  // namespace arena

#endif
