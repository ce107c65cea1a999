// gps_euler is shared by the real library and the scripted stand-in, so a
// program reads the same heading from the same matrix under both.
#include "controller.h"

#include <algorithm>
#include <cmath>

extern "C" void gps_euler(const float *m, float *angles) {
    // Column-major: elements 0, 1, 2 are the robot's forward axis in the world,
    // elements 4, 5, 6 its up axis, 8, 9, 10 its right axis.
    const double forward_x = m[0], forward_y = m[1], forward_z = m[2];
    const double bank = std::atan2(-double(m[9]), double(m[5]));
    // Heading grows from +x towards +z, the sense a right turn takes with y up.
    const double heading = std::atan2(forward_z, forward_x);
    // Rounding can push the vertical component a hair past 1.
    const double elevation = std::asin(std::clamp(forward_y, -1.0, 1.0));
    angles[0] = float(bank);
    angles[1] = float(heading);
    angles[2] = float(elevation);
}
