#include "arena/physics/buffer_sizes.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace arena {

void size_buffers(mjModel* m, SetSizes set) {
    if (!set.nconmax) m->nconmax = std::max(100, 2 * m->ngeom);
    if (!set.njmax) m->njmax = std::clamp(3 * m->nconmax + m->nv + 6 * m->neq, 500, 10000);
    if (!set.nstack) {
        const std::int64_t side = std::int64_t(m->njmax) + m->nv;
        const std::int64_t wanted = std::min<std::int64_t>(5 * side * side, std::numeric_limits<int>::max() / 8);
        m->nstack = std::max(m->nstack, int(wanted));
    }
}

}  // namespace arena
