#include "arena/record/trace_json.h"

namespace arena {
namespace {

// The device's name for a tag; a tag the robot does not have is kept as
// "#N" so the trace still shows what the controller did.
std::string device_name(const BoundRobot& robot, int tag) {
    if (tag >= 1 && std::size_t(tag) <= robot.devices.size()) return robot.devices[std::size_t(tag) - 1].spec->name;
    return "#" + std::to_string(tag);
}

template <class Floats>
nlohmann::json floats(const Floats& v) {
    nlohmann::json a = nlohmann::json::array();
    for (float f : v) a.push_back(double(f));
    return a;
}

}  // namespace

std::string hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

nlohmann::json samples_json(const BoundRobot& robot, const link::Sensors& s, const std::set<int>& fetched) {
    nlohmann::json j = nlohmann::json::object();
    for (const auto& d : s.distances) j[device_name(robot, d.tag)] = d.value;
    for (const auto& g : s.gps) j[device_name(robot, g.tag)] = floats(g.matrix);
    for (const auto& p : s.packets) j[device_name(robot, p.tag)] = {{"size", p.bytes.size()}, {"hex", hex(p.bytes)}};
    for (int tag : fetched) j[device_name(robot, tag)] = {{"fetched", true}};
    if (!s.keys.empty()) j["keys"] = s.keys;
    return j;
}

nlohmann::json commands_json(const BoundRobot& robot, const link::Step& step) {
    nlohmann::json j = nlohmann::json::object();
    if (step.force_torque) j["force_torque"] = floats(*step.force_torque);
    if (step.wheels) j["wheels"] = {(*step.wheels)[0], (*step.wheels)[1]};
    if (step.move) j["move"] = floats(*step.move);
    for (const auto& p : step.emits) j["emit"][device_name(robot, p.tag)].push_back(hex(p.bytes));
    if (!step.console.empty()) j["console"] = step.console;
    for (const auto& e : step.enables) j["enable"][device_name(robot, e.tag)] = e.period_ms;
    if (step.keyboard_period_ms) j["keyboard_enable"] = *step.keyboard_period_ms;
    return j;
}

}  // namespace arena
