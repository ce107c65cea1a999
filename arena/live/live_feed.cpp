#include "arena/live/live_feed.h"

#include "arena/record/json_text.h"
#include "arena/record/poses_csv.h"
#include "arena/record/recording_json.h"
#include "arena/record/scene_json.h"

namespace arena {

using Json = nlohmann::json;

LiveFeed::LiveFeed(LiveHub& hub, const World& world, double duration) : hub_(hub) {
    const mjModel* m = world.scene.model();
    const Json hello = {{"type", "hello"},        {"world", recording_json(world)},
                        {"scene", scene_json(m)}, {"once", world.manifest.once_keys},
                        {"duration", duration},   {"stepMs", m->opt.timestep * 1000.0}};
    hub_.set_hello(hello.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void LiveFeed::console(double t, const std::string& robot, const char* stream, const std::string& text) {
    if (!watched()) return;
    if (console_.size() == kKeptLines) {
        console_.pop_front();
        ++dropped_lines_;
    }
    console_.push_back({t, robot, stream, text});
}

bool LiveFeed::wants_step(const std::string& robot, bool has_keys) {
    if (!watched()) return false;
    const auto now = Clock::now();
    Clock::time_point& last = last_step_[robot];
    if (!has_keys && now - last < kStepGap) return false;
    last = now;
    return true;
}

void LiveFeed::step(const std::string& robot, Json step) {
    Json& steps = steps_[robot];
    if (steps.size() >= kKeptSteps) {
        steps.erase(steps.begin());
        ++dropped_steps_;
    }
    steps.push_back(std::move(step));
}

void LiveFeed::image(const std::string& robot, const std::string& camera, int width, int height,
                     const std::vector<std::uint8_t>& rgb) {
    if (!watched()) return;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * rgb.size());
    for (std::uint8_t b : rgb) (hex += kHex[b >> 4]) += kHex[b & 15];
    images_[json_text(robot)][json_text(camera)] = {{"width", width}, {"height", height}, {"rgb", std::move(hex)}};
}

void LiveFeed::publish(double t, const mjModel* m, const mjData* d, const RunControl& control, Json figures) {
    last_ = Clock::now();
    if (!watched()) {
        console_.clear();
        steps_.clear();
        images_ = Json::object();
        return;
    }
    Json bodies = Json::object();
    for (int b = 1; b < m->nbody; ++b) {
        const mjtNum* p = d->xpos + 3 * b;
        const mjtNum* q = d->xquat + 4 * b;
        bodies[body_label(m, b)] = {p[0], p[1], p[2], q[0], q[1], q[2], q[3]};
    }
    Json lines = Json::array();
    for (const Line& l : console_) lines.push_back({l.t, json_text(l.robot), l.stream, json_text(l.text)});
    Json steps = Json::object();
    for (auto& [robot, list] : steps_) steps[json_text(robot)] = std::move(list);
    const Json frame = {{"t", t},
                        {"paused", control.paused},
                        {"speed", control.speed},
                        {"pilot", json_text(control.pilot)},
                        {"bodies", std::move(bodies)},
                        {"console", std::move(lines)},
                        {"droppedLines", dropped_lines_},
                        {"steps", std::move(steps)},
                        {"droppedSteps", dropped_steps_},
                        {"images", std::move(images_)},
                        {"figures", std::move(figures)}};
    console_.clear();
    images_ = Json::object();
    steps_.clear();
    hub_.publish(frame.dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace arena
