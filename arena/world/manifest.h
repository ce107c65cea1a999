// world.toml as data: what MJCF has no word for (which body is which robot,
// which program drives it, its devices, scripted keys). Reading it checks
// everything that can be checked without the scene.
#ifndef ARENA_WORLD_MANIFEST_H
#define ARENA_WORLD_MANIFEST_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "arena/course/course_table.h"
#include "link/messages.h"

namespace arena {

struct DeviceSpec {
    std::string name;
    link::DeviceType type = link::DeviceType::distance_sensor;
    std::string site;  // empty for a gps on the body frame
    double range = 1.0;
    std::vector<std::array<double, 2>> lookup;  // distance (m) -> reading
    double noise = 0.0;
    int width = 64, height = 48;
    double fov_deg = 60.0;
    double aperture = 6.2832;  // radians, full cone
    int line = 0;              // in world.toml, for messages
};

enum class Drive { none, differential, custom };

struct WheelsSpec {
    std::string left, right;  // MJCF velocity actuators
    double speed_unit = 1.0;  // rad/s per unit of differential_wheels_set_speed
};

struct RobotSpec {
    std::string name;
    std::string body;
    std::string controller;
    Drive drive = Drive::none;
    std::optional<WheelsSpec> wheels;
    std::vector<DeviceSpec> devices;  // tags 1..N in this order
    int line = 0;
};

// Keys held by a robot's pilot from `from` (inclusive) to `to` (exclusive).
struct KeyHold {
    std::string robot;
    double from = 0.0, to = 0.0;
    std::vector<int> codes;
};

struct Manifest {
    std::filesystem::path file;  // world.toml, as the user named it
    std::string title;
    std::string scene = "scene.xml";
    double duration = 60.0;
    std::uint64_t seed = 1;
    double record_period = 0.032;
    std::vector<RobotSpec> robots;
    std::vector<KeyHold> keys;
    std::optional<CourseSpec> course;  // a course of gates to measure the flight against
};

// Reads and checks world.toml; throws WorldError naming the file, the line
// and the robot or device at fault.
Manifest read_manifest(const std::filesystem::path& file);

// Reads a --keys file: [[keys]] tables as in world.toml. Robots are checked
// against the manifest's.
std::vector<KeyHold> read_keys_file(const std::filesystem::path& file, const Manifest& manifest);

}  // namespace arena

#endif
