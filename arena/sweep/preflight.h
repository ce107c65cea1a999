// Before a sweep starts anything, its world is loaded with the values of
// the first point of each grid, as `arena check --set` would: a key the
// world does not have (a misspelt robot, a scene element that is not there)
// is then one line and status 2, not a sweep of failed runs. A value that
// only some points give the world a reason to refuse is found by those runs.
#ifndef ARENA_SWEEP_PREFLIGHT_H
#define ARENA_SWEEP_PREFLIGHT_H

#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

// Throws SpecError naming the sweep file, the grid and the world's own complaint.
void check_first_points(const Spec& spec);

}  // namespace arena::sweep

#endif
