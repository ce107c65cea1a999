// ir_receiver on scripted packets: the size line, then the float in the
// first four bytes with six decimals, and nothing at all without a packet.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "run_scenario.h"

namespace {

// The hexadecimal bytes of floats as the link carries them, least
// significant byte first.
std::string hex_of(const std::vector<float>& values) {
    std::string hex;
    for (float v : values) {
        unsigned char bytes[4];
        std::memcpy(bytes, &v, 4);
        for (unsigned char b : bytes) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", b);
            hex += pair;
        }
    }
    return hex;
}

script::Result receive(const std::vector<std::string>& packets) {
    std::string scenario = "devices ircom\nsteps " + std::to_string(packets.size()) + "\n";
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (!packets[i].empty()) scenario += "step " + std::to_string(i) + "\npacket ircom " + packets[i] + "\n";
    }
    return script::run(script::scripted("ir_receiver"), scenario);
}

TEST(Packets, ShowTheSizeThenTheFirstFloatWithSixDecimals) {
    const script::Result r = receive({
        hex_of({1.5f}),
        hex_of({2.25f, 7.0f}),  // only the first value of eight bytes
        hex_of({0.0000001f}),   // too small for six decimals
        hex_of({0.0000007f}),   // rounds up to the sixth
        hex_of({-1234.5678f}),  // as the float holds it: -1234.5677490234375
        hex_of({1.5f}) + " 61 62 63",
    });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::console(r),
              "4 Bytes recibidos\n1.500000\n"
              "8 Bytes recibidos\n2.250000\n"
              "4 Bytes recibidos\n0.000000\n"
              "4 Bytes recibidos\n0.000001\n"
              "4 Bytes recibidos\n-1234.567749\n"
              "7 Bytes recibidos\n1.500000\n");
}

TEST(Calls, TheSizeLineIsPrintedBeforeTheBufferIsFetchedAndNothingHappensWithoutAPacket) {
    const script::Result r = receive({"", hex_of({1.5f}), ""});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::lines(r), (std::vector<std::string>{
                                    "0 robot_live",
                                    "0 robot_get_device ircom =1",
                                    "0 receiver_enable 1 64",
                                    "0 robot_run",
                                    "0 receiver_get_buffer_size 1 =0",
                                    "0 run_returned 64",
                                    "1 receiver_get_buffer_size 1 =4",
                                    "1 robot_get_formated_string",
                                    "1 robot_get_formated_string",
                                    "1 robot_console_print 4 Bytes recibidos\n",
                                    "1 receiver_get_buffer 1",
                                    "1 robot_get_formated_string",
                                    "1 robot_get_formated_string",
                                    "1 robot_console_print 1.500000\n",
                                    "1 run_returned 64",
                                    "2 receiver_get_buffer_size 1 =0",
                                    "2 run_returned 64",
                                    "3 end",
                                }));
}

// The stand-in ends a packet at an unreadable page, so reading a fourth
// byte of a shorter packet would crash the program here.
TEST(ShortPackets, AreReportedWithoutReadingPastTheirEnd) {
    const script::Result r = receive({"01", "01 02", "00 00 c0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::console(r),
              "1 Bytes recibidos\nmensaje corto, sin valor\n"
              "2 Bytes recibidos\nmensaje corto, sin valor\n"
              "3 Bytes recibidos\nmensaje corto, sin valor\n");
}

TEST(MissingReceiver, PrintsNothingAndKeepsRunning) {
    const script::Result r = script::run(script::scripted("ir_receiver"), "devices other\nsteps 3\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(script::calls_named(r, "robot_console_print").empty());
    EXPECT_EQ(script::calls_named(r, "receiver_enable")[0].args, (std::vector<std::string>{"0", "64"}));
    EXPECT_EQ(script::calls_named(r, "run_returned").size(), 3u);
}

}  // namespace
