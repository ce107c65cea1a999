#include "arena/run/robot_run.h"

namespace arena {

RobotRun::RobotRun(const BoundRobot& r, std::uint64_t seed, std::size_t index) : robot(r), devices(r.devices.size()) {
    // Each robot its own stream of noise, so adding a robot to a world does
    // not change the readings of the others.
    std::seed_seq s{std::uint32_t(seed), std::uint32_t(seed >> 32), std::uint32_t(index)};
    rng.seed(s);
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (device_kind(r.devices[i].spec->type).hears) devices[i].queue.emplace();
    }
}

}  // namespace arena
