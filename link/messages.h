// The messages of the lock-step link between a controller and the arena.
//
// Each message is one frame (see channel.h): a type byte and a payload laid
// out by the encode/decode pair below. link/README.md has the byte layouts.
//
//   controller                    arena
//   HELLO           ─────────▶
//                   ◀─────────    WELCOME (robot, devices, samples at t = 0)
//   STEP            ─────────▶                 ┐ once per controller step
//   [IMAGE_REQUEST  ─────────▶                 │ only when the program looks
//                   ◀─────────    IMAGE]       │ at a camera SENSORS brought
//                   ◀─────────    SENSORS      ┘ no image of
//                   ◀─────────    STOP (instead of SENSORS or IMAGE, at the end)
//
// SENSORS brings the image of every camera the program looked at in its
// last step: a program that looks every step never waits for a request.
#ifndef LINK_MESSAGES_H
#define LINK_MESSAGES_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/wire.h"  // LinkError, thrown by every decode_*

namespace arena::link {

// Bumped whenever a byte layout changes; both ends check it in the handshake.
constexpr std::uint32_t kProtocolVersion = 3;
// "ARNA" as a little-endian u32: tells a link from stray bytes.
constexpr std::uint32_t kMagic = 0x414e5241;
// The environment variable naming the controller's end of the socket pair.
constexpr const char* kLinkFdVariable = "ARENA_LINK_FD";
// Device tags are 1..255; 0 means "no such device".
constexpr std::size_t kMaxDevices = 255;
// An emitted or received packet fits a u16 length.
constexpr std::size_t kMaxPacketBytes = 65535;

enum class MessageType : std::uint8_t {
    hello = 1,
    welcome = 2,
    step = 3,
    sensors = 4,
    image_request = 5,
    image = 6,
    stop = 7,
};

enum class DeviceType : std::uint8_t {
    distance_sensor = 1,
    gps = 2,
    camera = 3,
    receiver = 4,
    emitter = 5,
};

const char* name_of(MessageType type);  // "HELLO", ... or "unknown"
const char* name_of(DeviceType type);   // "distance_sensor", ... or "unknown"

// --- controller → arena ---------------------------------------------------

struct Hello {
    std::uint32_t version = kProtocolVersion;
};

struct Enable {
    std::uint8_t tag = 0;
    std::int32_t period_ms = 0;
};

struct Packet {
    std::uint8_t tag = 0;  // emitter (in STEP) or receiver (in SENSORS)
    std::vector<std::uint8_t> bytes;
};

// Everything the program asked for since its last step. Fields a program did
// not touch this step are absent: the arena keeps the previous command.
struct Step {
    std::int32_t ms = 0;          // simulated time to advance
    std::vector<Enable> enables;  // device enables, in call order
    std::optional<std::int32_t> keyboard_period_ms;
    std::optional<std::array<std::int16_t, 2>> wheels;  // left, right
    std::optional<std::array<float, 6>> force_torque;   // fx fy fz tx ty tz
    std::optional<std::array<float, 7>> move;           // x y z ax ay az angle
    std::string console;                                // console text bytes, as printed
    std::vector<Packet> emits;                          // emitter packets, in call order
    std::vector<std::uint8_t> looked;                   // cameras whose image the program looked at
    // The program's stdout or stderr holds bytes the arena has not read (or
    // the library could not tell): only then does the arena look at them.
    bool output_waiting = true;
};

struct ImageRequest {
    std::uint8_t tag = 0;
};

// --- arena → controller ---------------------------------------------------

struct DistanceSample {
    std::uint8_t tag = 0;
    std::uint16_t value = 0;
};

struct GpsSample {
    std::uint8_t tag = 0;
    std::array<float, 16> matrix{};  // column-major, robot axes to world
};

struct CameraSize {
    std::uint8_t tag = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

struct Image {
    std::uint8_t tag = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first
};

// The samples handed to the program for one step. A device absent from a
// list keeps its previous reading, except that keys and packets belong to
// this step alone (absent means none).
struct Sensors {
    double time = 0.0;  // simulated seconds
    std::vector<DistanceSample> distances;
    std::vector<GpsSample> gps;
    std::vector<std::int32_t> keys;  // codes held this step
    std::vector<Packet> packets;     // at most one per receiver
    std::vector<CameraSize> cameras;
    std::vector<Image> images;  // of the cameras looked at in the last step
};

struct DeviceEntry {
    std::uint8_t tag = 0;  // 1..N in manifest order
    std::string name;
    DeviceType type = DeviceType::distance_sensor;
};

struct Welcome {
    std::uint32_t version = kProtocolVersion;
    std::string robot_name;
    std::vector<DeviceEntry> devices;
    Sensors sensors;  // every device's sample at time 0
};

struct Stop {};

// --- encoding -------------------------------------------------------------
//
// encode appends the payload (not the frame header) to out. decode_* reads
// a whole payload and throws LinkError on anything malformed: a short
// payload, a count beyond it, trailing bytes, a bad magic or version, a
// device table that is not tags 1..N.

void encode(const Hello& m, std::vector<std::uint8_t>& out);
void encode(const Welcome& m, std::vector<std::uint8_t>& out);
void encode(const Step& m, std::vector<std::uint8_t>& out);
void encode(const Sensors& m, std::vector<std::uint8_t>& out);
void encode(const ImageRequest& m, std::vector<std::uint8_t>& out);
void encode(const Image& m, std::vector<std::uint8_t>& out);
void encode(const Stop& m, std::vector<std::uint8_t>& out);

Hello decode_hello(std::span<const std::uint8_t> payload);
Welcome decode_welcome(std::span<const std::uint8_t> payload);
Step decode_step(std::span<const std::uint8_t> payload);
Sensors decode_sensors(std::span<const std::uint8_t> payload);
ImageRequest decode_image_request(std::span<const std::uint8_t> payload);
Image decode_image(std::span<const std::uint8_t> payload);
Stop decode_stop(std::span<const std::uint8_t> payload);

// The type byte that goes with each message, for Channel::send.
constexpr MessageType type_of(const Hello&) { return MessageType::hello; }
constexpr MessageType type_of(const Welcome&) { return MessageType::welcome; }
constexpr MessageType type_of(const Step&) { return MessageType::step; }
constexpr MessageType type_of(const Sensors&) { return MessageType::sensors; }
constexpr MessageType type_of(const ImageRequest&) { return MessageType::image_request; }
constexpr MessageType type_of(const Image&) { return MessageType::image; }
constexpr MessageType type_of(const Stop&) { return MessageType::stop; }

}  // namespace arena::link

#endif
