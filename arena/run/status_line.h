// The one status line of a run on a terminal: each robot's position and
// heading, and the keys the pilot holds, so a person flying with
// --interactive sees what the craft does.
#ifndef ARENA_RUN_STATUS_LINE_H
#define ARENA_RUN_STATUS_LINE_H

#include <mujoco/mujoco.h>

#include <string>
#include <vector>

#include "arena/world/world.h"

namespace arena {

// "airship x 1.20 y 1.80 z -3.40 heading 1.57"; heading as the GPS reads it
// (0 facing +x, +pi/2 facing +z).
std::string robot_status(const std::string& name, const mjData* d, int body);

// "keys: up A", or "" when none is held.
std::string keys_status(const std::vector<int>& codes);

std::string status_line(const mjModel* m, const mjData* d, const World& world, const std::vector<int>& keys);

}  // namespace arena

#endif
