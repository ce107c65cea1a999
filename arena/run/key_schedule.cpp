#include "arena/run/key_schedule.h"

#include <algorithm>

namespace arena {

std::vector<int> KeySchedule::held(const std::string& robot, double t) const {
    std::vector<int> codes;
    for (const KeyHold& h : holds_) {
        if (h.robot != robot || t < h.from || t >= h.to) continue;
        for (int c : h.codes) {
            if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(c);
        }
    }
    return codes;
}

}  // namespace arena
