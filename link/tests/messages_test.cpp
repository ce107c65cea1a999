// Round trips of every message, the fixed byte layout, and the malformed
// payloads a broken or hostile peer could send.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "link/messages.h"

using namespace arena::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

template <class M>
Bytes encoded(const M& m) {
    Bytes out;
    encode(m, out);
    return out;
}

Sensors sample_sensors() {
    Sensors s;
    s.time = 12.345678901234;
    s.distances = {{1, 0}, {2, 65535}};
    GpsSample g{3, {}};
    for (int i = 0; i < 16; ++i) g.matrix[i] = 0.1f * static_cast<float>(i) - 0.7f;
    g.matrix[5] = -0.0f;
    g.matrix[6] = std::numeric_limits<float>::denorm_min();
    s.gps = {g};
    s.keys = {80, 317, -1};
    s.packets = {{4, {0x00, 0x00, 0xa0, 0x3f}}, {5, {}}};
    s.cameras = {{6, 64, 48}};
    s.images = {{6, 2, 1, {1, 2, 3, 4, 5, 6}}, {8, 0, 0, {}}};
    return s;
}

Welcome sample_welcome() {
    Welcome w;
    w.robot_name = "avoider";
    w.devices = {{1, "ir0", DeviceType::distance_sensor},
                 {2, "ir1", DeviceType::distance_sensor},
                 {3, "gps", DeviceType::gps},
                 {4, "ircom", DeviceType::receiver},
                 {5, "ir2", DeviceType::receiver},
                 {6, "camera", DeviceType::camera},
                 {7, "emitter", DeviceType::emitter}};
    w.sensors = sample_sensors();
    return w;
}

Step sample_step() {
    Step s;
    s.ms = 32;
    s.enables = {{3, 32}, {1, 64}};
    s.keyboard_period_ms = 32;
    s.wheels = std::array<std::int16_t, 2>{-32768, 32767};
    s.force_torque = std::array<float, 6>{0.5f, 2.4525f, -0.0f, 1e-30f, -3.0f, 7.0f};
    s.move = std::array<float, 7>{0.1f, 0.2f, 0.3f, 0, 1, 0, 3.14159f};
    s.console = std::string("half a line, then\n\ttab and \0 zero", 33);
    s.emits = {{7, {1, 2, 3}}, {7, Bytes(kMaxPacketBytes, 0xab)}};
    s.looked = {6, 2};
    return s;
}

std::span<const std::uint8_t> prefix(const Bytes& b, std::size_t n) { return {b.data(), n}; }

void expect_same_bits(float a, float b) { EXPECT_EQ(std::bit_cast<std::uint32_t>(a), std::bit_cast<std::uint32_t>(b)); }

void expect_same(const Sensors& a, const Sensors& b) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.time), std::bit_cast<std::uint64_t>(b.time));
    ASSERT_EQ(a.distances.size(), b.distances.size());
    for (std::size_t i = 0; i < a.distances.size(); ++i) {
        EXPECT_EQ(a.distances[i].tag, b.distances[i].tag);
        EXPECT_EQ(a.distances[i].value, b.distances[i].value);
    }
    ASSERT_EQ(a.gps.size(), b.gps.size());
    for (std::size_t i = 0; i < a.gps.size(); ++i) {
        EXPECT_EQ(a.gps[i].tag, b.gps[i].tag);
        for (int k = 0; k < 16; ++k) expect_same_bits(a.gps[i].matrix[k], b.gps[i].matrix[k]);
    }
    EXPECT_EQ(a.keys, b.keys);
    ASSERT_EQ(a.packets.size(), b.packets.size());
    for (std::size_t i = 0; i < a.packets.size(); ++i) {
        EXPECT_EQ(a.packets[i].tag, b.packets[i].tag);
        EXPECT_EQ(a.packets[i].bytes, b.packets[i].bytes);
    }
    ASSERT_EQ(a.cameras.size(), b.cameras.size());
    for (std::size_t i = 0; i < a.cameras.size(); ++i) {
        EXPECT_EQ(a.cameras[i].tag, b.cameras[i].tag);
        EXPECT_EQ(a.cameras[i].width, b.cameras[i].width);
        EXPECT_EQ(a.cameras[i].height, b.cameras[i].height);
    }
    ASSERT_EQ(a.images.size(), b.images.size());
    for (std::size_t i = 0; i < a.images.size(); ++i) {
        EXPECT_EQ(a.images[i].tag, b.images[i].tag);
        EXPECT_EQ(a.images[i].width, b.images[i].width);
        EXPECT_EQ(a.images[i].height, b.images[i].height);
        EXPECT_EQ(a.images[i].rgb, b.images[i].rgb);
    }
}

}  // namespace

TEST(Messages, WelcomeRoundTripKeepsDevicesAndTimeZeroSamples) {
    Welcome in = sample_welcome();
    Welcome out = decode_welcome(encoded(in));
    EXPECT_EQ(out.version, kProtocolVersion);
    EXPECT_EQ(out.robot_name, "avoider");
    ASSERT_EQ(out.devices.size(), in.devices.size());
    for (std::size_t i = 0; i < in.devices.size(); ++i) {
        EXPECT_EQ(out.devices[i].tag, in.devices[i].tag);
        EXPECT_EQ(out.devices[i].name, in.devices[i].name);
        EXPECT_EQ(out.devices[i].type, in.devices[i].type);
    }
    expect_same(in.sensors, out.sensors);
}

TEST(Messages, StepRoundTripKeepsEveryCommandAndItsOrder) {
    Step in = sample_step();
    Step out = decode_step(encoded(in));
    EXPECT_EQ(out.ms, 32);
    ASSERT_EQ(out.enables.size(), 2u);
    EXPECT_EQ(out.enables[0].tag, 3);
    EXPECT_EQ(out.enables[1].period_ms, 64);
    EXPECT_EQ(out.keyboard_period_ms, 32);
    EXPECT_EQ(out.wheels, in.wheels);
    for (int i = 0; i < 6; ++i) expect_same_bits((*out.force_torque)[i], (*in.force_torque)[i]);
    for (int i = 0; i < 7; ++i) expect_same_bits((*out.move)[i], (*in.move)[i]);
    EXPECT_EQ(out.console, in.console);
    ASSERT_EQ(out.emits.size(), 2u);
    EXPECT_EQ(out.emits[0].bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(out.emits[1].bytes.size(), kMaxPacketBytes);
    EXPECT_EQ(out.looked, (std::vector<std::uint8_t>{6, 2}));

    Step empty = decode_step(encoded(Step{}));
    EXPECT_FALSE(empty.keyboard_period_ms || empty.wheels || empty.force_torque || empty.move);
    EXPECT_TRUE(empty.enables.empty() && empty.console.empty() && empty.emits.empty());
    EXPECT_TRUE(empty.output_waiting);  // unless the library says otherwise, the arena looks
    Step quiet;
    quiet.output_waiting = false;
    EXPECT_FALSE(decode_step(encoded(quiet)).output_waiting);
}

TEST(Messages, SmallMessagesRoundTrip) {
    expect_same(sample_sensors(), decode_sensors(encoded(sample_sensors())));
    EXPECT_EQ(decode_image_request(encoded(ImageRequest{6})).tag, 6);
    Image img{6, 2, 1, {255, 0, 0, 0, 0, 255}};
    Image back = decode_image(encoded(img));
    EXPECT_EQ(back.tag, 6);
    EXPECT_EQ(back.width, 2);
    EXPECT_EQ(back.height, 1);
    EXPECT_EQ(back.rgb, img.rgb);
    EXPECT_TRUE(encoded(Stop{}).empty());
    decode_stop({});
    decode_hello(encoded(Hello{}));
}

TEST(Messages, LayoutIsLittleEndianAndFixedWidth) {
    EXPECT_EQ(encoded(Hello{}), (Bytes{'A', 'R', 'N', 'A', kProtocolVersion, 0, 0, 0}));
    Sensors s;
    s.time = 1.0;
    s.distances = {{1, 0x0102}};
    EXPECT_EQ(encoded(s), (Bytes{0, 0, 0, 0,    0,    0, 0xf0, 0x3f,  // time 1.0
                                 1, 0, 1, 0x02, 0x01,                 // one distance sample
                                 0, 0, 0, 0,    0,    0, 0,    0,     // no gps, keys, packets, cameras
                                 0, 0}));                             // no images
    Step st;
    st.ms = 64;
    st.wheels = std::array<std::int16_t, 2>{-2, 1};
    st.console = "hi";
    st.output_waiting = false;
    EXPECT_EQ(encoded(st), (Bytes{64,   0,    0, 0, 2,         // ms, flags: wheels
                                  0xfe, 0xff, 1, 0,            // left -2, right 1
                                  0,    0,                     // no enables
                                  2,    0,    0, 0, 'h', 'i',  // console
                                  0,    0,                     // no packets
                                  0,    0}));                  // no camera looked at
}

// Every prefix of a valid payload is a truncated message: each must be
// refused with a LinkError, none may read past its end.
TEST(Messages, EveryTruncationIsAnError) {
    Bytes welcome = encoded(sample_welcome());
    for (std::size_t n = 0; n < welcome.size(); ++n) {
        EXPECT_THROW(decode_welcome(prefix(welcome, n)), LinkError) << "prefix " << n;
    }
    Step st = sample_step();
    st.emits.pop_back();  // keep the loop quick
    Bytes step = encoded(st);
    for (std::size_t n = 0; n < step.size(); ++n) {
        EXPECT_THROW(decode_step(prefix(step, n)), LinkError) << "prefix " << n;
    }
    Bytes image = encoded(Image{1, 2, 2, Bytes(12, 7)});
    for (std::size_t n = 0; n < image.size(); ++n) {
        EXPECT_THROW(decode_image(prefix(image, n)), LinkError) << "prefix " << n;
    }
    EXPECT_THROW(decode_image_request({}), LinkError);
    Bytes sensors = encoded(sample_sensors());  // ends inside its images
    for (std::size_t n = sensors.size() - 12; n < sensors.size(); ++n) {
        EXPECT_THROW(decode_sensors(prefix(sensors, n)), LinkError) << "prefix " << n;
    }
}

TEST(Messages, TrailingBytesAreAnError) {
    Bytes b = encoded(sample_sensors());
    b.push_back(0);
    EXPECT_THROW(decode_sensors(b), LinkError);
    EXPECT_THROW(decode_stop(Bytes{0}), LinkError);
    Bytes image = encoded(Image{1, 1, 1, {1, 2, 3}});
    image.push_back(4);
    EXPECT_THROW(decode_image(image), LinkError);
}

TEST(Messages, CountsBeyondThePayloadAreRefusedBeforeUse) {
    Sensors s;
    Bytes b = encoded(s);
    b[8] = 0xff;  // distance count 65535, with no samples behind it
    b[9] = 0xff;
    try {
        decode_sensors(b);
        FAIL() << "accepted a count beyond the payload";
    } catch (const LinkError& e) {
        EXPECT_NE(std::string(e.what()).find("SENSORS"), std::string::npos) << e.what();
    }
    Step st;
    st.console = "abc";
    Bytes step = encoded(st);
    step[10] = 0xff;  // console length 0xff000003
    EXPECT_THROW(decode_step(step), LinkError);
}

TEST(Messages, HandshakeChecksMagicAndVersion) {
    Bytes hello = encoded(Hello{kProtocolVersion + 1});
    try {
        decode_hello(hello);
        FAIL() << "accepted another protocol version";
    } catch (const LinkError& e) {
        EXPECT_NE(std::string(e.what()).find("version"), std::string::npos) << e.what();
    }
    Welcome w = sample_welcome();
    w.version = 0;
    EXPECT_THROW(decode_welcome(encoded(w)), LinkError);
    Bytes stray = encoded(Hello{});
    stray[0] = 'X';
    EXPECT_THROW(decode_hello(stray), LinkError);
}

TEST(Messages, DeviceTableMustBeTagsOneToNOfKnownTypes) {
    Welcome w = sample_welcome();
    w.devices[1].tag = 5;
    EXPECT_THROW(decode_welcome(encoded(w)), LinkError);
    w = sample_welcome();
    w.devices[0].type = static_cast<DeviceType>(9);
    EXPECT_THROW(decode_welcome(encoded(w)), LinkError);

    Welcome full;
    for (int i = 1; i <= 255; ++i) {
        full.devices.push_back({static_cast<std::uint8_t>(i), "d" + std::to_string(i), DeviceType::gps});
    }
    EXPECT_EQ(decode_welcome(encoded(full)).devices.size(), 255u);
    full.devices.push_back({0, "one too many", DeviceType::gps});
    Bytes out;
    EXPECT_THROW(encode(full, out), LinkError);
}

TEST(Messages, BadValuesAreRefusedOnBothSides) {
    Bytes step = encoded(Step{});
    step[4] = 0x20;  // an unknown command flag
    EXPECT_THROW(decode_step(step), LinkError);

    Step big;
    big.emits = {{1, Bytes(kMaxPacketBytes + 1)}};
    Bytes out;
    EXPECT_THROW(encode(big, out), LinkError);
    EXPECT_THROW(encode(Image{1, 2, 2, Bytes(5)}, out), LinkError);
}
