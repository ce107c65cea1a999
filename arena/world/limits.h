// The values a number of a world may take, with the words that say so in a
// message. Every number is finite: NaN and infinity are never a setting.
#ifndef ARENA_WORLD_LIMITS_H
#define ARENA_WORLD_LIMITS_H

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace arena {

struct Limits {
    double min = 0.0;
    bool above_min = false;  // min itself is not allowed
    double max = std::numeric_limits<double>::max();
    bool below_max = false;  // max itself is not allowed

    bool allows(double v) const {
        return std::isfinite(v) && (above_min ? v > min : v >= min) && (below_max ? v < max : v <= max);
    }

    // "a number above 0 and at most 1000000"
    std::string text() const {
        std::string s = std::string("a number ") + (above_min ? "above " : "at least ") + format(min);
        if (max != std::numeric_limits<double>::max()) s += (below_max ? " and below " : " and at most ") + format(max);
        return s;
    }

    // Whole numbers without an exponent, so that messages read as typed.
    static std::string format(double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        return buf;
    }
};

}  // namespace arena

#endif
