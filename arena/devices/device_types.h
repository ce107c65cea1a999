// Everything the arena knows about each type of device, one entry per type:
// the keys world.toml may give it with their defaults and limits, whether it
// needs a site, the model it binds to, how it is sampled, how many bytes its
// samples can take on the link, and how its samples and parameters go into a
// recording. The manifest reader, the binder, the sampler and the recorder
// all ask here, so a new type or a new key is added in one place.
#ifndef ARENA_DEVICES_DEVICE_TYPES_H
#define ARENA_DEVICES_DEVICE_TYPES_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include <mujoco/mujoco.h>
#include <nlohmann/json.hpp>

#include "arena/world/limits.h"
#include "arena/world/manifest.h"
#include "devices/camera.h"
#include "devices/distance_sensor.h"
#include "devices/packet_queue.h"
#include "devices/radio.h"
#include "link/messages.h"

namespace arena {

struct BoundRobot;

struct GpsModel {
    int site = -1;  // -1: the body frame
};

using DeviceModel = std::variant<DistanceSensorModel, GpsModel, CameraModel, ReceiverModel, EmitterModel>;

enum class SiteRule { required, optional };

// A key of world.toml that holds a real number.
struct NumberKey {
    const char* key;
    double DeviceSpec::*field;
    double fallback;
    Limits limits;
};

// A key of world.toml that holds a whole number from min to max.
struct WholeKey {
    const char* key;
    int DeviceSpec::*field;
    int fallback;
    int min, max;
};

// What sampling one device needs besides its model.
struct SampleContext {
    const mjModel* m;
    const mjData* d;
    int body;              // the robot's body
    std::mt19937_64& rng;  // the robot's own noise
    PacketQueue* queue;    // what a receiver has heard; null for other types
    bool handshake;        // time 0: nothing has been heard yet
    std::uint8_t tag;
};

struct DeviceKind {
    link::DeviceType type;
    SiteRule site;
    std::vector<NumberKey> numbers = {};
    std::vector<WholeKey> wholes = {};
    bool lookup = false;  // takes "lookup", a table of distance -> reading
    bool hears = false;   // keeps a queue of heard packets
    // Fills in what defaults to other keys and checks the keys together;
    // returns what is wrong, or nothing.
    std::string (*complete)(DeviceSpec& spec);
    DeviceModel (*bind)(const DeviceSpec& spec, int site);
    // Appends the device's sample, if it has one now, to `out`.
    void (*sample)(const DeviceModel& model, const SampleContext& at, link::Sensors& out);
    // The most bytes its samples can add to one SENSORS message.
    std::size_t (*sample_bytes)(const DeviceSpec& spec);
    // Writes this type's samples of `in` into a trace line's samples object;
    // `fetched` are the cameras whose image the program looked at.
    void (*record)(const BoundRobot& robot, const link::Sensors& in, const std::set<int>& fetched, nlohmann::json& out);
};

const DeviceKind& device_kind(link::DeviceType type);
// The device type named so in world.toml, or null.
const DeviceKind* device_kind(const std::string& name);
// Every type, in the order of link::DeviceType.
const std::vector<const DeviceKind*>& device_kinds();

// The keys world.toml may give a device of this kind, in order.
std::vector<std::string> allowed_keys(const DeviceKind& kind);

// The device as world.toml gives it, for a recording: its name, type, site
// and every key of its type with the value in force.
nlohmann::json parameters_json(const DeviceSpec& spec);

// The most bytes of one SENSORS message to a robot with these devices: its
// samples, every camera's image and every key that can be held.
std::size_t sensors_bytes(const std::vector<DeviceSpec>& devices);

// The name a recording gives a robot's tag: its device's name, or "#N" for a
// tag it does not have, so that a trace still shows what the program did.
std::string device_name(const BoundRobot& robot, int tag);

// What camera `tag` of the robot sees now.
link::Image camera_image(const CameraModel& camera, const mjModel* m, const mjData* d, int body, std::uint8_t tag);

}  // namespace arena

#endif
