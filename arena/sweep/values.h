// The values of an axis that a sweep file describes instead of listing: an evenly
// spaced range, or seeded random samples. Both give the same numbers on
// every machine, so a sweep's points do not depend on where it runs.
#ifndef ARENA_SWEEP_VALUES_H
#define ARENA_SWEEP_VALUES_H

#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena::sweep {

// from, from + step, ... up to to (included when it is reached within a
// millionth of a step). Rounded to 12 significant digits, so 0.004 * 3 is
// written 0.012.
std::vector<nlohmann::json> range_by_step(double from, double to, double step);
// count values from `from` to `to`, both included (count >= 2), or `from` alone.
std::vector<nlohmann::json> range_by_count(double from, double to, int count);

// count samples, uniform between min and max; min and max are numbers, or
// arrays of numbers of one length for a sample per element.
std::vector<nlohmann::json> random_samples(const nlohmann::json& min, const nlohmann::json& max, int count,
                                           std::uint64_t seed);

}  // namespace arena::sweep

#endif
