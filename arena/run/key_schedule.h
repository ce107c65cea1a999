// Scripted keys: which codes a robot's pilot holds at a simulated time, from
// the world's [[keys]] and a --keys file.
#ifndef ARENA_RUN_KEY_SCHEDULE_H
#define ARENA_RUN_KEY_SCHEDULE_H

#include <string>
#include <vector>

#include "arena/world/manifest.h"

namespace arena {

class KeySchedule {
public:
    void add(const std::vector<KeyHold>& holds) { holds_.insert(holds_.end(), holds.begin(), holds.end()); }

    // Codes held by `robot` at time t (from <= t < to), each once, in the
    // order the holds were given.
    std::vector<int> held(const std::string& robot, double t) const;

private:
    std::vector<KeyHold> holds_;
};

}  // namespace arena

#endif
