#include "arena/record/recording_json.h"

#include "arena/record/json_text.h"

namespace arena {
namespace {

nlohmann::json robot_json(const RobotSpec& robot) {
    nlohmann::json devices = nlohmann::json::array();
    for (std::size_t i = 0; i < robot.devices.size(); ++i) {
        nlohmann::json d = parameters_json(robot.devices[i]);
        d["tag"] = i + 1;
        devices.push_back(std::move(d));
    }
    return {{"name", robot.name},
            {"body", robot.body},
            {"controller", robot.controller},
            {"drive", name_of(robot.drive)},
            {"devices", std::move(devices)}};
}

}  // namespace

nlohmann::json recording_json(const World& world) {
    nlohmann::json robots = nlohmann::json::array();
    for (const RobotSpec& r : world.manifest.robots) robots.push_back(robot_json(r));
    // The folder's name, and the title that defaults to it, are whatever
    // bytes the file system holds.
    return {{"format", kRecordingFormat},
            {"world", json_text(world.folder.string())},
            {"title", json_text(world.manifest.title)},
            {"overrides", overrides_json(world.overrides)},
            {"robots", std::move(robots)}};
}

nlohmann::json overrides_json(const Overrides& overrides) {
    nlohmann::json out = nlohmann::json::array();
    for (const Override& o : overrides) out.push_back(json_text(o.text()));
    return out;
}

}  // namespace arena
