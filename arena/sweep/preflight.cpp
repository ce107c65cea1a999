#include "arena/sweep/preflight.h"

#include "arena/sweep/expansion.h"
#include "arena/world/controller_path.h"
#include "arena/world/overrides.h"
#include "arena/world/world.h"

namespace arena::sweep {

void check_first_points(const Spec& spec) {
    const std::vector<Run> runs = expand(spec);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0 && runs[i].grid == runs[i - 1].grid) continue;
        Overrides overrides;
        for (const Setting& s : runs[i].settings)
            if (s.key != "duration") overrides.push_back(parse_override(s.key + "=" + s.text));
        try {
            load_world(spec.world, own_folder(), overrides);
        } catch (const WorldError& e) {
            throw SpecError(spec.file.string() + ": grid " + std::to_string(runs[i].grid + 1) +
                            ", first point: " + e.what());
        }
    }
}

}  // namespace arena::sweep
