#include "link/messages.h"

#include <limits>

#include "link/wire.h"

namespace arena::link {

const char* name_of(MessageType type) {
    switch (type) {
    case MessageType::hello: return "HELLO";
    case MessageType::welcome: return "WELCOME";
    case MessageType::step: return "STEP";
    case MessageType::sensors: return "SENSORS";
    case MessageType::image_request: return "IMAGE_REQUEST";
    case MessageType::image: return "IMAGE";
    case MessageType::stop: return "STOP";
    }
    return "unknown";
}

const char* name_of(DeviceType type) {
    switch (type) {
    case DeviceType::distance_sensor: return "distance_sensor";
    case DeviceType::gps: return "gps";
    case DeviceType::camera: return "camera";
    case DeviceType::receiver: return "receiver";
    case DeviceType::emitter: return "emitter";
    }
    return "unknown";
}

namespace {

// Flags of the optional STEP commands.
constexpr std::uint8_t kHasKeyboard = 1;
constexpr std::uint8_t kHasWheels = 2;
constexpr std::uint8_t kHasForceTorque = 4;
constexpr std::uint8_t kHasMove = 8;
constexpr std::uint8_t kOutputWaiting = 16;
constexpr std::uint8_t kKnownFlags = kHasKeyboard | kHasWheels | kHasForceTorque | kHasMove | kOutputWaiting;

void write_count(Writer& w, std::size_t n, const char* what) {
    if (n > std::numeric_limits<std::uint16_t>::max()) {
        throw LinkError(std::string("too many ") + what + ": " + std::to_string(n));
    }
    w.u16(static_cast<std::uint16_t>(n));
}

std::size_t read_count(Reader& r, std::size_t item_size) {
    std::size_t n = r.u16();
    r.check_count(n, item_size);
    return n;
}

void write_packet(Writer& w, const Packet& p) {
    if (p.bytes.size() > kMaxPacketBytes) {
        throw LinkError("packet of " + std::to_string(p.bytes.size()) + " bytes is over the 65535-byte limit");
    }
    w.u8(p.tag);
    w.u16(static_cast<std::uint16_t>(p.bytes.size()));
    w.raw(p.bytes);
}

Packet read_packet(Reader& r) {
    Packet p;
    p.tag = r.u8();
    auto b = r.raw(r.u16());
    p.bytes.assign(b.begin(), b.end());
    return p;
}

template <std::size_t N>
void write_floats(Writer& w, const std::array<float, N>& a) {
    for (float v : a) w.f32(v);
}

template <std::size_t N>
std::array<float, N> read_floats(Reader& r) {
    std::array<float, N> a{};
    for (float& v : a) v = r.f32();
    return a;
}

void write_header(Writer& w, std::uint32_t version) {
    w.u32(kMagic);
    w.u32(version);
}

void read_header(Reader& r, const char* peer) {
    std::uint32_t magic = r.u32();
    if (magic != kMagic) r.fail("bad magic number (not an arena link)");
    std::uint32_t version = r.u32();
    if (version != kProtocolVersion) {
        r.fail(std::string(peer) + " speaks link protocol version " + std::to_string(version) + ", this side version " +
               std::to_string(kProtocolVersion));
    }
}

void write_image(Writer& w, const Image& m) {
    if (m.rgb.size() != std::size_t{m.width} * m.height * 3) {
        throw LinkError("image of " + std::to_string(m.width) + " x " + std::to_string(m.height) + " needs " +
                        std::to_string(std::size_t{m.width} * m.height * 3) + " bytes, not " +
                        std::to_string(m.rgb.size()));
    }
    w.u8(m.tag);
    w.u16(m.width);
    w.u16(m.height);
    w.raw(m.rgb);
}

Image read_image(Reader& r) {
    Image m;
    m.tag = r.u8();
    m.width = r.u16();
    m.height = r.u16();
    std::size_t size = std::size_t{m.width} * m.height * 3;
    if (r.remaining() < size) {
        r.fail(std::to_string(m.width) + " x " + std::to_string(m.height) + " image needs " + std::to_string(size) +
               " bytes, the message holds " + std::to_string(r.remaining()));
    }
    auto b = r.raw(size);
    m.rgb.assign(b.begin(), b.end());
    return m;
}

void write_sensors(Writer& w, const Sensors& m) {
    w.f64(m.time);
    write_count(w, m.distances.size(), "distance samples");
    for (const auto& d : m.distances) {
        w.u8(d.tag);
        w.u16(d.value);
    }
    write_count(w, m.gps.size(), "gps samples");
    for (const auto& g : m.gps) {
        w.u8(g.tag);
        write_floats(w, g.matrix);
    }
    write_count(w, m.keys.size(), "keys");
    for (auto k : m.keys) w.i32(k);
    write_count(w, m.packets.size(), "packets");
    for (const auto& p : m.packets) write_packet(w, p);
    write_count(w, m.cameras.size(), "cameras");
    for (const auto& c : m.cameras) {
        w.u8(c.tag);
        w.u16(c.width);
        w.u16(c.height);
    }
    write_count(w, m.images.size(), "images");
    for (const auto& i : m.images) write_image(w, i);
}

Sensors read_sensors(Reader& r) {
    Sensors m;
    m.time = r.f64();
    m.distances.resize(read_count(r, 3));
    for (auto& d : m.distances) {
        d.tag = r.u8();
        d.value = r.u16();
    }
    m.gps.resize(read_count(r, 1 + 16 * 4));
    for (auto& g : m.gps) {
        g.tag = r.u8();
        g.matrix = read_floats<16>(r);
    }
    m.keys.resize(read_count(r, 4));
    for (auto& k : m.keys) k = r.i32();
    m.packets.resize(read_count(r, 3));
    for (auto& p : m.packets) p = read_packet(r);
    m.cameras.resize(read_count(r, 5));
    for (auto& c : m.cameras) {
        c.tag = r.u8();
        c.width = r.u16();
        c.height = r.u16();
    }
    m.images.resize(read_count(r, 5));
    for (auto& i : m.images) i = read_image(r);
    return m;
}

}  // namespace

void encode(const Hello& m, std::vector<std::uint8_t>& out) {
    Writer w(out);
    write_header(w, m.version);
}

void encode(const Welcome& m, std::vector<std::uint8_t>& out) {
    if (m.devices.size() > kMaxDevices) {
        throw LinkError("a robot has at most 255 devices, not " + std::to_string(m.devices.size()));
    }
    Writer w(out);
    write_header(w, m.version);
    w.string16(m.robot_name);
    w.u16(static_cast<std::uint16_t>(m.devices.size()));
    for (const auto& d : m.devices) {
        w.u8(d.tag);
        w.u8(static_cast<std::uint8_t>(d.type));
        w.string16(d.name);
    }
    write_sensors(w, m.sensors);
}

void encode(const Step& m, std::vector<std::uint8_t>& out) {
    Writer w(out);
    w.i32(m.ms);
    std::uint8_t flags = (m.keyboard_period_ms ? kHasKeyboard : 0) | (m.wheels ? kHasWheels : 0) |
                         (m.force_torque ? kHasForceTorque : 0) | (m.move ? kHasMove : 0) |
                         (m.output_waiting ? kOutputWaiting : 0);
    w.u8(flags);
    if (m.keyboard_period_ms) w.i32(*m.keyboard_period_ms);
    if (m.wheels) {
        w.i16((*m.wheels)[0]);
        w.i16((*m.wheels)[1]);
    }
    if (m.force_torque) write_floats(w, *m.force_torque);
    if (m.move) write_floats(w, *m.move);
    write_count(w, m.enables.size(), "enables");
    for (const auto& e : m.enables) {
        w.u8(e.tag);
        w.i32(e.period_ms);
    }
    w.bytes32({reinterpret_cast<const std::uint8_t*>(m.console.data()), m.console.size()});
    write_count(w, m.emits.size(), "emitted packets");
    for (const auto& p : m.emits) write_packet(w, p);
    write_count(w, m.looked.size(), "cameras looked at");
    for (auto tag : m.looked) w.u8(tag);
}

void encode(const Sensors& m, std::vector<std::uint8_t>& out) {
    Writer w(out);
    write_sensors(w, m);
}

void encode(const ImageRequest& m, std::vector<std::uint8_t>& out) { Writer(out).u8(m.tag); }

void encode(const Image& m, std::vector<std::uint8_t>& out) {
    Writer w(out);
    write_image(w, m);
}

void encode(const Stop&, std::vector<std::uint8_t>&) {}

Hello decode_hello(std::span<const std::uint8_t> payload) {
    Reader r(payload, "HELLO");
    read_header(r, "the controller");
    r.finish();
    return Hello{};
}

Welcome decode_welcome(std::span<const std::uint8_t> payload) {
    Reader r(payload, "WELCOME");
    read_header(r, "the arena");
    Welcome m;
    m.robot_name = r.string16();
    std::size_t n = read_count(r, 4);
    if (n > kMaxDevices) r.fail(std::to_string(n) + " devices, more than 255");
    m.devices.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto& d = m.devices[i];
        d.tag = r.u8();
        if (d.tag != i + 1) {
            r.fail("device " + std::to_string(i + 1) + " has tag " + std::to_string(d.tag));
        }
        std::uint8_t type = r.u8();
        if (type < 1 || type > 5) r.fail("device type " + std::to_string(type) + " is unknown");
        d.type = static_cast<DeviceType>(type);
        d.name = r.string16();
    }
    m.sensors = read_sensors(r);
    r.finish();
    return m;
}

Step decode_step(std::span<const std::uint8_t> payload) {
    Reader r(payload, "STEP");
    Step m;
    m.ms = r.i32();
    std::uint8_t flags = r.u8();
    if (flags & ~kKnownFlags) r.fail("unknown command flags " + std::to_string(flags));
    m.output_waiting = (flags & kOutputWaiting) != 0;
    if (flags & kHasKeyboard) m.keyboard_period_ms = r.i32();
    if (flags & kHasWheels) {
        std::int16_t left = r.i16();
        m.wheels = std::array<std::int16_t, 2>{left, r.i16()};
    }
    if (flags & kHasForceTorque) m.force_torque = read_floats<6>(r);
    if (flags & kHasMove) m.move = read_floats<7>(r);
    m.enables.resize(read_count(r, 5));
    for (auto& e : m.enables) {
        e.tag = r.u8();
        e.period_ms = r.i32();
    }
    auto console = r.bytes32();
    m.console.assign(reinterpret_cast<const char*>(console.data()), console.size());
    m.emits.resize(read_count(r, 3));
    for (auto& p : m.emits) p = read_packet(r);
    m.looked.resize(read_count(r, 1));
    for (auto& tag : m.looked) tag = r.u8();
    r.finish();
    return m;
}

Sensors decode_sensors(std::span<const std::uint8_t> payload) {
    Reader r(payload, "SENSORS");
    Sensors m = read_sensors(r);
    r.finish();
    return m;
}

ImageRequest decode_image_request(std::span<const std::uint8_t> payload) {
    Reader r(payload, "IMAGE_REQUEST");
    ImageRequest m{r.u8()};
    r.finish();
    return m;
}

Image decode_image(std::span<const std::uint8_t> payload) {
    Reader r(payload, "IMAGE");
    Image m = read_image(r);
    r.finish();
    return m;
}

Stop decode_stop(std::span<const std::uint8_t> payload) {
    Reader(payload, "STOP").finish();
    return Stop{};
}

}  // namespace arena::link
