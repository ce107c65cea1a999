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
#include "arena/world/limits.h"
#include "arena/world/overrides.h"
#include "link/messages.h"

namespace arena {

// A device as world.toml gives it. Only the keys of its type are read (the
// others keep 0); arena/devices/device_types.cpp says which keys each type
// takes, their defaults and their limits.
struct DeviceSpec {
    std::string name;
    link::DeviceType type = link::DeviceType::distance_sensor;
    std::string site;  // empty for a gps on the body frame
    double range = 0.0;
    std::vector<std::array<double, 2>> lookup;  // distance (m) -> reading
    double noise = 0.0;
    int width = 0, height = 0;
    double fov_deg = 0.0;
    double aperture = 0.0;  // radians, full cone
    int line = 0;           // in world.toml, for messages
};

enum class Drive { none, differential, custom };
const char* name_of(Drive drive);  // as world.toml writes it

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

// A [[wind]] table: a steady force and random gusts on a body of the scene.
struct WindSpec {
    std::string body;
    std::array<double, 3> mean{};  // N, world axes
    double gust = 0.0;             // N, standard deviation on each axis
    double time_scale = 1.0;       // s, correlation time of the gust
    std::string place;             // "world.toml:40" or "--set wind.B.gust", for messages
};

// What the top-level numbers of world.toml may be. A run of a million
// simulated seconds (eleven days) is far beyond any world here, and keeps
// the count of physics steps well inside 64 bits at any timestep.
constexpr double kMaxDuration = 1e6;
constexpr Limits kDurationLimits{0.0, true, kMaxDuration};
constexpr Limits kRecordPeriodLimits{0.0, true, kMaxDuration};
// 0 turns the step watchdog off, for a person debugging a controller.
constexpr Limits kStepTimeoutLimits{0.0, false, kMaxDuration};

struct Manifest {
    std::filesystem::path file;  // world.toml, as the user named it
    std::string title;
    std::string scene = "scene.xml";
    double duration = 60.0;
    std::uint64_t seed = 1;
    double record_period = 0.032;
    double step_timeout = 10.0;  // wall-clock seconds a controller may take to answer; 0: no limit
    std::vector<RobotSpec> robots;
    std::vector<KeyHold> keys;
    std::optional<CourseSpec> course;  // a course of gates to measure the flight against
    std::vector<WindSpec> wind;
};

// Reads and checks world.toml, with the manifest's overrides applied first;
// throws WorldError naming the file and line (or the override), and the
// robot or device at fault.
Manifest read_manifest(const std::filesystem::path& file, const Overrides& overrides = {});

// Reads a --keys file: [[keys]] tables as in world.toml. Robots are checked
// against the manifest's.
std::vector<KeyHold> read_keys_file(const std::filesystem::path& file, const Manifest& manifest);

}  // namespace arena

#endif
