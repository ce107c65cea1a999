// ir_listener on scripted packets: the name and tags at start, then each
// packet as one line of text, within the 1024-byte console buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "run_scenario.h"

namespace {

std::string hex_of(const std::string& bytes) {
    std::string hex;
    for (unsigned char b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

// One step per packet (an empty one: nothing received), robot "listener".
script::Result listen(const std::vector<std::string>& packets) {
    std::string scenario = "name listener\ndevices ir0 ir1 ircom\nsteps " + std::to_string(packets.size()) + "\n";
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (!packets[i].empty()) {
            scenario += "step " + std::to_string(i) + "\npacket ircom " + hex_of(packets[i]) + "\n";
        }
    }
    return script::run(script::scripted("ir_listener"), scenario);
}

// The console text of the steps, without the two lines of reset.
std::string packet_text(const script::Result& r) {
    const std::vector<script::Call> prints = script::calls_named(r, "robot_console_print");
    std::string text;
    for (std::size_t i = 2; i < prints.size(); ++i) text += prints[i].args[0];
    return text;
}

TEST(Reset, ReportsTheNameAndTheTagsBeforeEnablingAnything) {
    const script::Result r = listen({""});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> all = script::lines(r);
    ASSERT_GE(all.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 15),
              (std::vector<std::string>{
                  "0 robot_live",
                  "0 robot_get_device ir0 =1",
                  "0 robot_get_device ir1 =2",
                  "0 robot_get_device ircom =3",
                  "0 robot_get_name",
                  "0 robot_get_formated_string",
                  "0 robot_get_formated_string",
                  "0 robot_console_print reset: robot name is listener\n",
                  "0 robot_get_formated_string",
                  "0 robot_get_formated_string",
                  "0 robot_console_print device tags are 1 2 3\n",
                  "0 distance_sensor_enable 1 64",
                  "0 distance_sensor_enable 2 64",
                  "0 receiver_enable 3 64",
                  "0 robot_run",
              }));
}

TEST(Reset, AMissingDeviceShowsAsTagZeroAndTheRobotCarriesOn) {
    const script::Result r = script::run(script::scripted("ir_listener"),
                                         "name r2\ndevices ir0 ircom\nsteps 2\n"
                                         "step 1\npacket ircom 686900\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::console(r), "reset: robot name is r2\ndevice tags are 1 0 2\nreceived 3 bytes: hi\n");
    EXPECT_EQ(script::calls_named(r, "distance_sensor_enable")[1].args, (std::vector<std::string>{"0", "64"}));
}

TEST(Packets, SizeAndTextStandOnOneLineUpToTheFirstZeroByte) {
    const script::Result r = listen({
        std::string("hello\0", 6), std::string("ab\0cd\0", 6),  // a zero in the middle ends the text
        std::string("\0abc", 4),                                // a zero first: an empty rest of the line
    });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(packet_text(r),
              "received 6 bytes: hello\n"
              "received 6 bytes: ab\n"
              "received 4 bytes: \n");
    // The size text is its own print, without a line feed, before the fetch.
    const std::vector<std::string> all = script::lines(r);
    const auto at = std::find(all.begin(), all.end(), "0 robot_console_print received 6 bytes: ");
    ASSERT_NE(at, all.end());
    EXPECT_EQ(*(at + 1), "0 receiver_get_buffer 3");
    EXPECT_EQ(*(at + 4), "0 robot_console_print hello\n");
}

TEST(Packets, StepsWithoutAPacketPrintNothingButStillReadTheSensors) {
    const script::Result r = listen({"", std::string("x\0", 2), ""});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> all = script::lines(r);
    const std::vector<std::string> last_step(all.end() - 5, all.end());
    EXPECT_EQ(last_step, (std::vector<std::string>{
                             "2 distance_sensor_get_value 1 =0",
                             "2 distance_sensor_get_value 2 =0",
                             "2 receiver_get_buffer_size 3 =0",
                             "2 run_returned 64",
                             "3 end",
                         }));
    EXPECT_EQ(script::calls_named(r, "receiver_get_buffer").size(), 1u);
}

TEST(Packets, TextBeyond1022CharactersIsCutAt1023AndLosesItsLineFeed) {
    const std::string fits(1022, 'a'), cut(1023, 'b'), longer(1500, 'c');
    const script::Result r = listen({fits + '\0', cut + '\0', longer + '\0', std::string("next\0", 5)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(packet_text(r), "received 1023 bytes: " + fits + "\n" + "received 1024 bytes: " + cut +
                                  "received 1501 bytes: " + std::string(1023, 'c') + "received 5 bytes: next\n");
}

// The stand-in ends a packet at an unreadable page: looking for a zero
// byte past its end would crash the program here.
TEST(Packets, APacketWithoutZeroByteShowsOnlyItsOwnBytes) {
    const script::Result r = listen({"abc", std::string(1100, 'z')});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(packet_text(r), "received 3 bytes: abc\nreceived 1100 bytes: " + std::string(1023, 'z'));
}

}  // namespace
