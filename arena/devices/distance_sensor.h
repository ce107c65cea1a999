#pragma once
// An infrared-like distance sensor: a ray from its site along the site's +x.

#include <mujoco/mujoco.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace arena {

struct DistanceSensorModel {
    int site;                                   // MJCF site id
    double range;                               // metres; farther counts as nothing
    std::vector<std::array<double, 2>> lookup;  // (distance m, reading), ascending distance
    double noise;                               // std-dev of gaussian noise, reading units; 0: none
};

// The reading for the surface the sensor sees, ignoring the robot's own geoms
// (the subtree of robot_body). Nothing within range reads as the table's value
// at range. The result is rounded and clamped to 0..65535; the rng is drawn
// from only when noise > 0.
std::uint16_t read_distance(const mjModel* m, const mjData* d, const DistanceSensorModel& sensor, int robot_body,
                            std::mt19937_64& rng);

// The lookup table's reading at `distance`: linear between points, held at
// the first and last point beyond the ends; 0 for an empty table.
double lookup_reading(const std::vector<std::array<double, 2>>& lookup, double distance);

}  // namespace arena
