#pragma once
// The custom drive: a robot pushed by force and torque, or placed outright.

#include <mujoco/mujoco.h>

#include <array>

namespace arena {

// ft: force x, y, z then torque x, y, z in the robot's own axes (its body
// frame: x forward, y up, z right). Turns them into the world with the body's
// current orientation and writes them to xfrc_applied, which acts at the
// body's centre of mass. Call it at every physics step, between mj_step1 and
// mj_step2 (mj_step1 brings the orientation up to date; after a plain mj_step
// it is one step old), so the push turns with the body.
void apply_relative_force_torque(const mjModel* m, mjData* d, int body, const std::array<float, 6>& ft);

// Whether place_body can move this body: it is a mocap body or its first
// joint is a free joint.
bool can_place(const mjModel* m, int body);

// Puts the body at (x, y, z), turned by `angle` radians about the axis
// (ax, ay, az) (a zero axis means no turn), and stops it. Writes the free
// joint's qpos and zeroes its qvel, or the mocap pose; the caller then runs
// mj_forward. A body that cannot be placed is left alone.
void place_body(const mjModel* m, mjData* d, int body, float x, float y, float z, float ax, float ay, float az,
                float angle);

}  // namespace arena
