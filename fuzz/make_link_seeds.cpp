// Writes the seed corpora of the link targets from real messages, encoded by
// the link's own encoder, so the seeds follow its layouts:
//   build-sanitize/fuzz/make_link_seeds fuzz/corpus
// writes corpus/link_messages/ (a type byte, then one payload) and
// corpus/link_channel/ (framed streams: a whole short conversation, and each
// side's half).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/channel.h"
#include "link/messages.h"

namespace fs = std::filesystem;
using namespace arena::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

void write(const fs::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <class Message>
Bytes payload(const Message& m) {
    Bytes out;
    encode(m, out);
    return out;
}

template <class Message>
void append_frame(Bytes& stream, const Message& m) {
    const Bytes p = payload(m);
    for (int i = 0; i < 4; ++i) stream.push_back(std::uint8_t(p.size() >> (8 * i)));
    stream.push_back(std::uint8_t(type_of(m)));
    stream.insert(stream.end(), p.begin(), p.end());
}

Sensors some_sensors() {
    Sensors s;
    s.time = 0.064;
    s.distances = {{1, 1000}, {2, 37}};
    s.gps = {{3, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5f, 1.8f, -0.25f, 1}}};
    s.keys = {80, 316};
    s.packets = {{5, {0x00, 0x00, 0x80, 0x3f}}, {5, {'h', 'i', 0}}};
    s.cameras = {{4, 2, 1}};
    s.images = {{4, 2, 1, {255, 0, 0, 0, 255, 0}}};
    return s;
}

Step some_step() {
    Step s;
    s.ms = 64;
    s.enables = {{1, 64}, {4, 32}};
    s.keyboard_period_ms = 32;
    s.wheels = {{100, -20}};
    s.force_torque = {{0.1f, 2.45f, 0, 0, 0.01f, 0}};
    s.move = {{0.1f, 0.2f, 0.3f, 0, 1, 0, 0}};
    s.console = "P.A. on\n";
    s.emits = {{6, {'t', 'e', 'x', 't', 0}}};
    s.looked = {4};
    s.output_waiting = false;
    return s;
}

Welcome some_welcome() {
    Welcome w;
    w.robot_name = "rover";
    w.devices = {{1, "ir0", DeviceType::distance_sensor},
                 {2, "ir1", DeviceType::distance_sensor},
                 {3, "gps", DeviceType::gps},
                 {4, "camera", DeviceType::camera},
                 {5, "ircom", DeviceType::receiver},
                 {6, "emitter", DeviceType::emitter}};
    w.sensors = some_sensors();
    w.sensors.time = 0;
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path messages = fs::path(argv[1]) / "link_messages", channel = fs::path(argv[1]) / "link_channel";
    fs::create_directories(messages);
    fs::create_directories(channel);

    // The type byte is MessageType - 1, as link_messages.cpp reads it.
    auto seed = [&](const std::string& name, MessageType type, const Bytes& p) {
        Bytes bytes{std::uint8_t(std::uint8_t(type) - 1)};
        bytes.insert(bytes.end(), p.begin(), p.end());
        write(messages / name, bytes);
    };
    seed("hello", MessageType::hello, payload(Hello{}));
    seed("welcome", MessageType::welcome, payload(some_welcome()));
    seed("step", MessageType::step, payload(some_step()));
    seed("step_empty", MessageType::step, payload(Step{.ms = 32}));
    seed("sensors", MessageType::sensors, payload(some_sensors()));
    seed("image_request", MessageType::image_request, payload(ImageRequest{4}));
    seed("image", MessageType::image, payload(Image{4, 2, 2, Bytes(12, 7)}));
    seed("stop", MessageType::stop, payload(Stop{}));

    Bytes controller_side, arena_side;
    append_frame(controller_side, Hello{});
    append_frame(controller_side, some_step());
    append_frame(controller_side, ImageRequest{4});
    append_frame(controller_side, Step{.ms = 64});
    append_frame(arena_side, some_welcome());
    append_frame(arena_side, some_sensors());
    append_frame(arena_side, Image{4, 2, 1, Bytes(6, 200)});
    append_frame(arena_side, Stop{});
    write(channel / "controller_side", controller_side);
    write(channel / "arena_side", arena_side);
    Bytes cut(arena_side.begin(), arena_side.begin() + std::ptrdiff_t(arena_side.size() / 2));
    write(channel / "cut_inside_a_frame", cut);
    return 0;
}
