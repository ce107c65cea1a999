#include "devices/wheels.h"

#include <algorithm>

namespace arena {

namespace {

void set_velocity(const mjModel* m, mjData* d, int actuator, double target) {
    if (actuator < 0 || actuator >= m->nu) return;
    if (m->actuator_ctrllimited[actuator]) {
        const mjtNum* range = m->actuator_ctrlrange + 2 * actuator;
        target = std::clamp(target, range[0], range[1]);
    }
    d->ctrl[actuator] = target;
}

}  // namespace

void set_wheel_speeds(const mjModel* m, mjData* d, const WheelsModel& wheels, int left, int right) {
    set_velocity(m, d, wheels.left_actuator, left * wheels.speed_unit);
    set_velocity(m, d, wheels.right_actuator, right * wheels.speed_unit);
}

}  // namespace arena
