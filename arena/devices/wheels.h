#pragma once
// Differential wheels: two MuJoCo velocity actuators, one per wheel.

#include <mujoco/mujoco.h>

namespace arena {

struct WheelsModel {
    int left_actuator;  // MJCF actuator ids
    int right_actuator;
    double speed_unit;  // rad/s of wheel per unit of speed
};

// Sets each actuator's target velocity to speed * speed_unit, clamped to its
// ctrlrange when it has one. The speeds hold until the next call.
void set_wheel_speeds(const mjModel* m, mjData* d, const WheelsModel& wheels, int left, int right);

}  // namespace arena
