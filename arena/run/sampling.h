// The samples a robot is handed when it wakes: every enabled device whose
// period has run out (every device at all in the handshake), the keys held,
// the next packet of each receiver, and the image of every camera the
// program looked at in its last step (it would ask for it again).
#ifndef ARENA_RUN_SAMPLING_H
#define ARENA_RUN_SAMPLING_H

#include <cstdint>
#include <vector>

#include <mujoco/mujoco.h>

#include "arena/run/robot_run.h"
#include "link/messages.h"

namespace arena {

struct SampleTime {
    std::int64_t step;  // physics steps since the start
    double step_ms;     // milliseconds per physics step
    bool handshake;     // time 0: every device, nothing enabled yet
};

link::Sensors sample(RobotRun& robot, const mjModel* m, const mjData* d, const SampleTime& at,
                     const std::vector<int>& keys);

// The robot's camera of that tag, or null when the tag names none.
const CameraModel* camera_of(const RobotRun& robot, int tag);
// What that camera sees now; 0 x 0 when the tag names no camera.
link::Image camera_image(const RobotRun& robot, const mjModel* m, const mjData* d, int tag);

}  // namespace arena

#endif
