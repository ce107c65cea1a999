#include "arena/run/sampling.h"

#include "devices/camera.h"
#include "devices/distance_sensor.h"
#include "devices/gps.h"

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
        auto tag = std::uint8_t(i + 1);
        const DeviceModel& model = r.robot.devices[i].model;
        if (auto* ds = std::get_if<DistanceSensorModel>(&model)) {
            s.distances.push_back({tag, read_distance(m, d, *ds, r.robot.body, r.rng)});
        } else if (auto* gps = std::get_if<GpsModel>(&model)) {
            s.gps.push_back({tag, gps_matrix(m, d, r.robot.body, gps->site)});
        } else if (auto* cam = std::get_if<CameraModel>(&model)) {
            s.cameras.push_back({tag, std::uint16_t(cam->width), std::uint16_t(cam->height)});
        } else if (state.queue && !at.handshake) {
            state.queue->advance();
            if (!state.queue->current().empty()) s.packets.push_back({tag, state.queue->current()});
        }
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
    link::Image image;
    image.tag = std::uint8_t(tag);
    if (const CameraModel* cam = camera_of(r, tag)) {
        image.width = std::uint16_t(cam->width);
        image.height = std::uint16_t(cam->height);
        image.rgb = render_camera(m, d, *cam, r.robot.body);
    }
    return image;
}

}  // namespace arena
