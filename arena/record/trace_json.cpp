#include "arena/record/trace_json.h"

#include "arena/devices/device_types.h"
#include "arena/record/json_text.h"

namespace arena {

nlohmann::json floats_json(std::span<const float> values) {
    // Widened exactly, so the recording holds the very floats sent.
    nlohmann::json a = nlohmann::json::array();
    for (float f : values) a.push_back(double(f));
    return a;
}

nlohmann::json samples_json(const BoundRobot& robot, const link::Sensors& s, const std::set<int>& fetched) {
    nlohmann::json j = nlohmann::json::object();
    for (const DeviceKind* kind : device_kinds()) kind->record(robot, s, fetched, j);
    if (!s.keys.empty()) j["keys"] = s.keys;
    return j;
}

nlohmann::json commands_json(const BoundRobot& robot, const link::Step& step) {
    nlohmann::json j = nlohmann::json::object();
    if (step.force_torque) j["force_torque"] = floats_json(*step.force_torque);
    if (step.wheels) j["wheels"] = {(*step.wheels)[0], (*step.wheels)[1]};
    if (step.move) j["move"] = floats_json(*step.move);
    for (const auto& p : step.emits) j["emit"][device_name(robot, p.tag)].push_back(hex(p.bytes));
    // A program may print any bytes; JSON strings hold only UTF-8.
    if (!step.console.empty()) j["console"] = json_text(step.console);
    for (const auto& e : step.enables) j["enable"][device_name(robot, e.tag)] = e.period_ms;
    if (step.keyboard_period_ms) j["keyboard_enable"] = *step.keyboard_period_ms;
    return j;
}

}  // namespace arena
