#include "arena/devices/device_types.h"

#include "arena/record/trace_json.h"
#include "arena/world/world.h"
#include "devices/gps.h"
#include "link/channel.h"

namespace arena {
namespace {

// Byte counts of the SENSORS layout (link/messages.cpp, write_sensors): the
// time, then six lists, each a u16 count and its items.
constexpr std::size_t kSensorsHeaderBytes = 8 + 6 * 2;
constexpr std::size_t kKeyBytes = 4;                  // an i32 code
constexpr std::size_t kMaxKeys = 65535;               // the keys list's u16 count
constexpr std::size_t kImageHeaderBytes = 1 + 2 + 2;  // tag, width, height

std::string nothing_to_complete(DeviceSpec&) { return {}; }
void records_nothing(const BoundRobot&, const link::Sensors&, const std::set<int>&, nlohmann::json&) {}

// --- distance sensor ------------------------------------------------------
// A ray from its site; the distance it meets mapped through the lookup table.

std::string distance_complete(DeviceSpec& d) {
    // Without a table it reads 1000 up close and 0 at its range.
    if (d.lookup.empty()) d.lookup = {{{0.0, 1000.0}}, {{d.range, 0.0}}};
    return {};
}

DeviceModel distance_bind(const DeviceSpec& d, int site) {
    return DistanceSensorModel{site, d.range, d.lookup, d.noise};
}

void distance_sample(const DeviceModel& model, const SampleContext& at, link::Sensors& out) {
    out.distances.push_back({at.tag, read_distance(at.m, at.d, std::get<DistanceSensorModel>(model), at.body, at.rng)});
}

std::size_t distance_bytes(const DeviceSpec&) { return 1 + 2; }  // tag, u16 reading

void distance_record(const BoundRobot& robot, const link::Sensors& in, const std::set<int>&, nlohmann::json& out) {
    for (const auto& d : in.distances) out[device_name(robot, d.tag)] = d.value;
}

const DeviceKind kDistanceSensor{
    .type = link::DeviceType::distance_sensor,
    .site = SiteRule::required,
    .numbers = {{"range", &DeviceSpec::range, 1.0, {0.0, true}}, {"noise", &DeviceSpec::noise, 0.0, {0.0}}},
    .lookup = true,
    .complete = distance_complete,
    .bind = distance_bind,
    .sample = distance_sample,
    .sample_bytes = distance_bytes,
    .record = distance_record,
};

// --- gps ------------------------------------------------------------------
// Where the robot (or a site on it) is and which way it faces; without a site
// it reads the body frame.

DeviceModel gps_bind(const DeviceSpec&, int site) { return GpsModel{site}; }

void gps_sample(const DeviceModel& model, const SampleContext& at, link::Sensors& out) {
    out.gps.push_back({at.tag, gps_matrix(at.m, at.d, at.body, std::get<GpsModel>(model).site)});
}

std::size_t gps_bytes(const DeviceSpec&) { return 1 + 16 * 4; }  // tag, 16 f32

void gps_record(const BoundRobot& robot, const link::Sensors& in, const std::set<int>&, nlohmann::json& out) {
    for (const auto& g : in.gps) out[device_name(robot, g.tag)] = floats_json(g.matrix);
}

const DeviceKind kGps{
    .type = link::DeviceType::gps,
    .site = SiteRule::optional,
    .complete = nothing_to_complete,
    .bind = gps_bind,
    .sample = gps_sample,
    .sample_bytes = gps_bytes,
    .record = gps_record,
};

// --- camera ---------------------------------------------------------------
// A colour image ray-cast from its site. Its samples say its size; the image
// itself goes only to a program that looks at it.

std::size_t image_bytes(const DeviceSpec& d) {
    return kImageHeaderBytes + std::size_t(d.width) * std::size_t(d.height) * 3;
}

std::string camera_complete(DeviceSpec& d) {
    if (image_bytes(d) <= link::kMaxFrameBytes) return {};
    return "a " + std::to_string(d.width) + " x " + std::to_string(d.height) + " image takes " +
           std::to_string(image_bytes(d)) + " bytes, more than the link carries in one message (" +
           std::to_string(link::kMaxFrameBytes) + ")";
}

DeviceModel camera_bind(const DeviceSpec& d, int site) { return CameraModel{site, d.width, d.height, d.fov_deg}; }

void camera_sample(const DeviceModel& model, const SampleContext& at, link::Sensors& out) {
    const auto& cam = std::get<CameraModel>(model);
    out.cameras.push_back({at.tag, std::uint16_t(cam.width), std::uint16_t(cam.height)});
}

// Its size in every message, and its image in those after a step that
// looked at it.
std::size_t camera_bytes(const DeviceSpec& d) { return 1 + 2 + 2 + image_bytes(d); }

void camera_record(const BoundRobot& robot, const link::Sensors&, const std::set<int>& fetched, nlohmann::json& out) {
    for (int tag : fetched) out[device_name(robot, tag)] = {{"fetched", true}};
}

const DeviceKind kCamera{
    .type = link::DeviceType::camera,
    .site = SiteRule::required,
    .numbers = {{"fov", &DeviceSpec::fov_deg, 60.0, {0.0, true, 180.0, true}}},
    // The link carries each side as a u16.
    .wholes = {{"width", &DeviceSpec::width, 64, 1, 65535}, {"height", &DeviceSpec::height, 48, 1, 65535}},
    .complete = camera_complete,
    .bind = camera_bind,
    .sample = camera_sample,
    .sample_bytes = camera_bytes,
    .record = camera_record,
};

// --- receiver -------------------------------------------------------------
// Packets from emitters in range and in sight, queued and reported one per
// step.

DeviceModel receiver_bind(const DeviceSpec& d, int site) { return ReceiverModel{site, d.aperture}; }

void receiver_sample(const DeviceModel&, const SampleContext& at, link::Sensors& out) {
    if (!at.queue || at.handshake) return;
    at.queue->advance();
    if (!at.queue->current().empty()) out.packets.push_back({at.tag, at.queue->current()});
}

std::size_t receiver_bytes(const DeviceSpec&) { return 1 + 2 + link::kMaxPacketBytes; }  // tag, u16 size, bytes

void receiver_record(const BoundRobot& robot, const link::Sensors& in, const std::set<int>&, nlohmann::json& out) {
    for (const auto& p : in.packets) out[device_name(robot, p.tag)] = {{"size", p.bytes.size()}, {"hex", hex(p.bytes)}};
}

// The full cone in radians around the site's +x; 2 pi or more is all around.
const NumberKey kAperture{"aperture", &DeviceSpec::aperture, 6.2832, {0.0, true}};

const DeviceKind kReceiver{
    .type = link::DeviceType::receiver,
    .site = SiteRule::required,
    .numbers = {kAperture},
    .hears = true,
    .complete = nothing_to_complete,
    .bind = receiver_bind,
    .sample = receiver_sample,
    .sample_bytes = receiver_bytes,
    .record = receiver_record,
};

// --- emitter --------------------------------------------------------------
// Sends what the program emits to the receivers in its range and cone; it
// has no samples of its own.

DeviceModel emitter_bind(const DeviceSpec& d, int site) { return EmitterModel{site, d.range, d.aperture}; }
void emitter_sample(const DeviceModel&, const SampleContext&, link::Sensors&) {}
std::size_t emitter_bytes(const DeviceSpec&) { return 0; }

const DeviceKind kEmitter{
    .type = link::DeviceType::emitter,
    .site = SiteRule::required,
    .numbers = {{"range", &DeviceSpec::range, 2.0, {0.0, true}}, kAperture},
    .complete = nothing_to_complete,
    .bind = emitter_bind,
    .sample = emitter_sample,
    .sample_bytes = emitter_bytes,
    .record = records_nothing,
};

}  // namespace

const std::vector<const DeviceKind*>& device_kinds() {
    static const std::vector<const DeviceKind*> kinds{&kDistanceSensor, &kGps, &kCamera, &kReceiver, &kEmitter};
    return kinds;
}

const DeviceKind& device_kind(link::DeviceType type) {
    switch (type) {
    case link::DeviceType::distance_sensor: return kDistanceSensor;
    case link::DeviceType::gps: return kGps;
    case link::DeviceType::camera: return kCamera;
    case link::DeviceType::receiver: return kReceiver;
    case link::DeviceType::emitter: return kEmitter;
    }
    throw std::logic_error("device type " + std::to_string(int(type)) + " has no entry");
}

const DeviceKind* device_kind(const std::string& name) {
    for (const DeviceKind* kind : device_kinds()) {
        if (name == link::name_of(kind->type)) return kind;
    }
    return nullptr;
}

std::vector<std::string> allowed_keys(const DeviceKind& kind) {
    std::vector<std::string> keys{"name", "type", "site"};
    for (const NumberKey& k : kind.numbers) keys.push_back(k.key);
    for (const WholeKey& k : kind.wholes) keys.push_back(k.key);
    if (kind.lookup) keys.push_back("lookup");
    return keys;
}

nlohmann::json parameters_json(const DeviceSpec& spec) {
    const DeviceKind& kind = device_kind(spec.type);
    nlohmann::json j{{"name", spec.name}, {"type", link::name_of(spec.type)}};
    if (!spec.site.empty()) j["site"] = spec.site;
    for (const NumberKey& k : kind.numbers) j[k.key] = spec.*k.field;
    for (const WholeKey& k : kind.wholes) j[k.key] = spec.*k.field;
    if (kind.lookup) j["lookup"] = spec.lookup;
    return j;
}

std::size_t sensors_bytes(const std::vector<DeviceSpec>& devices) {
    std::size_t bytes = kSensorsHeaderBytes + kMaxKeys * kKeyBytes;
    for (const DeviceSpec& d : devices) bytes += device_kind(d.type).sample_bytes(d);
    return bytes;
}

std::string device_name(const BoundRobot& robot, int tag) {
    if (tag >= 1 && std::size_t(tag) <= robot.devices.size()) return robot.devices[std::size_t(tag) - 1].spec->name;
    return "#" + std::to_string(tag);
}

link::Image camera_image(const CameraModel& camera, const mjModel* m, const mjData* d, int body, std::uint8_t tag) {
    link::Image image;
    image.tag = tag;
    image.width = std::uint16_t(camera.width);
    image.height = std::uint16_t(camera.height);
    image.rgb = render_camera(m, d, camera, body);
    return image;
}

}  // namespace arena
