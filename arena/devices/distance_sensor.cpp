#include "devices/distance_sensor.h"

#include "devices/ray.h"

#include <algorithm>
#include <cmath>

namespace arena {

double lookup_reading(const std::vector<std::array<double, 2>>& lookup, double distance) {
    if (lookup.empty()) return 0;
    if (distance <= lookup.front()[0]) return lookup.front()[1];
    for (std::size_t i = 1; i < lookup.size(); i++) {
        const auto& [d0, r0] = lookup[i - 1];
        const auto& [d1, r1] = lookup[i];
        if (distance <= d1) return d1 > d0 ? r0 + (r1 - r0) * (distance - d0) / (d1 - d0) : r1;
    }
    return lookup.back()[1];
}

std::uint16_t read_distance(const mjModel* m, const mjData* d, const DistanceSensorModel& sensor, int robot_body,
                            std::mt19937_64& rng) {
    const mjtNum* from = d->site_xpos + 3 * sensor.site;
    const mjtNum* mat = d->site_xmat + 9 * sensor.site;
    const mjtNum dir[3] = {mat[0], mat[3], mat[6]};  // the site's x axis: first column of xmat
    const RayHit hit = cast_ray(m, d, RayFilter(m, robot_body), from, dir);
    const double distance = hit.geom >= 0 && hit.distance <= sensor.range ? hit.distance : sensor.range;
    double reading = lookup_reading(sensor.lookup, distance);
    if (sensor.noise > 0) reading += std::normal_distribution<double>(0, sensor.noise)(rng);
    // NaN (from a broken table) reads as nothing rather than as a wild value.
    if (!(reading > 0)) return 0;
    return std::uint16_t(std::min(std::round(reading), 65535.0));
}

}  // namespace arena
