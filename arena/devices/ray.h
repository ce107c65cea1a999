#pragma once
// Ray casting shared by the distance sensor, the camera and the radio's line
// of sight. MuJoCo's mj_ray can leave out only one body, but a robot is a
// tree (chassis, wheels, ...), so the rays here skip whole robots instead.

#include <mujoco/mujoco.h>

#include <span>
#include <vector>

namespace arena {

// Which geoms a ray may hit: every geom except those of the skipped robots.
class RayFilter {
public:
    // robot_a / robot_b: bodies whose whole subtree is invisible; -1 for none.
    RayFilter(const mjModel* m, int robot_a, int robot_b = -1);
    bool hits(int geom) const { return visible_[geom] != 0; }

private:
    std::vector<char> visible_;
};

struct RayHit {
    double distance = -1;  // metres along the ray; -1: nothing hit
    int geom = -1;
};

// Nearest hit of the ray from `from` along the unit vector `dir`.
RayHit cast_ray(const mjModel* m, const mjData* d, const RayFilter& filter, const mjtNum from[3], const mjtNum dir[3]);

// The same, against only the listed geoms (which the caller has filtered).
RayHit cast_ray(const mjModel* m, const mjData* d, std::span<const int> geoms, const mjtNum from[3],
                const mjtNum dir[3]);

// True when `body` is `root` or lies below it in the body tree.
bool in_subtree(const mjModel* m, int body, int root);

}  // namespace arena
