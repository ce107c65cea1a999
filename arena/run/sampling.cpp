#include "arena/run/sampling.h"

#include "arena/devices/device_types.h"

namespace arena {
namespace {

bool due(int period_ms, std::int64_t last, const SampleTime& at) {
    if (period_ms <= 0) return false;
    // A little slack so that 64 ms of 0.002 s steps counts as 64 ms.
    return double(at.step - last) * at.step_ms >= double(period_ms) - 1e-6;
}

}  // namespace

link::Sensors sample(RobotRun& r, const mjModel* m, const mjData* d, const SampleTime& at,
                     const std::vector<int>& keys) {
    link::Sensors s;
    s.time = double(at.step) * at.step_ms / 1000.0;
    for (std::size_t i = 0; i < r.devices.size(); ++i) {
        DeviceState& state = r.devices[i];
        if (!at.handshake && !due(state.period_ms, state.last_sample, at)) continue;
        state.last_sample = at.step;
        const BoundDevice& device = r.robot.devices[i];
        const SampleContext context{
            m, d, r.robot.body, r.rng, state.queue ? &*state.queue : nullptr, at.handshake, std::uint8_t(i + 1)};
        device_kind(device.spec->type).sample(device.model, context, s);
    }
    for (int tag : r.looked) s.images.push_back(camera_image(r, m, d, tag));
    if (!at.handshake && due(r.keyboard_period, r.keyboard_last, at)) {
        r.keyboard_last = at.step;
        s.keys.assign(keys.begin(), keys.end());
    }
    return s;
}

const CameraModel* camera_of(const RobotRun& r, int tag) {
    if (tag < 1 || std::size_t(tag) > r.robot.devices.size()) return nullptr;
    return std::get_if<CameraModel>(&r.robot.devices[std::size_t(tag - 1)].model);
}

link::Image camera_image(const RobotRun& r, const mjModel* m, const mjData* d, int tag) {
    if (const CameraModel* cam = camera_of(r, tag)) return camera_image(*cam, m, d, r.robot.body, std::uint8_t(tag));
    link::Image none;
    none.tag = std::uint8_t(tag);
    return none;
}

}  // namespace arena
