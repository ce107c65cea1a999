// Thinning long runs for the viewer: every stride-th item and the last one.
// Only the report is thinned; the recording keeps every step.
#ifndef ARENA_REPORT_DECIMATE_H
#define ARENA_REPORT_DECIMATE_H

#include <cmath>
#include <cstddef>

namespace arena {

// The smallest stride that keeps at most max_kept (at least 2: first and last).
inline std::size_t stride_for(std::size_t count, std::size_t max_kept) {
    if (max_kept < 2) max_kept = 2;
    return count <= max_kept ? 1 : (count - 1 + max_kept - 2) / (max_kept - 1);
}

inline bool kept(std::size_t index, std::size_t count, std::size_t stride) {
    return index % stride == 0 || index + 1 == count;
}

// Fixed decimals are plenty for a view and keep the page small.
inline double rounded(double v, double scale) { return std::round(v * scale) / scale; }

}  // namespace arena

#endif
