// A world ready to run: the manifest, the scene, and every name the manifest
// uses resolved to a MuJoCo id, every controller to an executable file.
#ifndef ARENA_WORLD_WORLD_H
#define ARENA_WORLD_WORLD_H

#include <filesystem>
#include <optional>
#include <vector>

#include "arena/devices/device_types.h"
#include "arena/physics/wind.h"
#include "arena/world/manifest.h"
#include "arena/world/scene.h"
#include "devices/wheels.h"

namespace arena {

struct BoundDevice {
    const DeviceSpec* spec;
    DeviceModel model;
};

struct BoundRobot {
    const RobotSpec* spec;
    int body = -1;
    std::optional<WheelsModel> wheels;
    std::vector<BoundDevice> devices;  // tag = index + 1
    std::filesystem::path program;
};

struct World {
    std::filesystem::path folder;
    Manifest manifest;
    Scene scene;
    std::vector<BoundRobot> robots;  // manifest order
    std::vector<WindSource> wind;    // manifest order
    Overrides overrides;             // --set, as given: a run is replayed with them
};

// Loads FOLDER/world.toml and its scene and checks everything that can be
// checked without running: names, devices, controllers. `programs` is the
// folder that holds the arena binary, where controllers are found by name.
// The overrides (overrides.h) change the manifest and the scene before
// either is checked. Throws WorldError. The World must not be moved: robots
// point into it.
std::unique_ptr<World> load_world(const std::filesystem::path& folder, const std::filesystem::path& programs,
                                  const Overrides& overrides = {});

// The body of the robot that flies the world's [course]; the world has one.
int course_body(const World& world);

}  // namespace arena

#endif
