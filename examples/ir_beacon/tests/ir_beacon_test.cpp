// ir_beacon on the scripted stand-in: what it transmits and when, since the
// ir_link world's expected console lines follow from these packets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_scenario.h"

TEST(Beacon, AlternatesAFloatAndATextAboutOnceASecond) {
    const script::Result r = script::run(script::scripted("ir_beacon"), "devices emitter\nsteps 48\n");
    ASSERT_EQ(r.status, 0) << r.err;
    auto sends = script::calls_named(r, "emitter_send");
    ASSERT_EQ(sends.size(), 3u);
    // Every 16th step of 64 ms: 1.25 (bytes 00 00 a0 3f), "beacon 2" with
    // its zero, then 3.75 (00 00 70 40).
    EXPECT_EQ(sends[0].step, 15);
    EXPECT_EQ(sends[0].args, (std::vector<std::string>{"1", "4", "0000a03f"}));
    EXPECT_EQ(sends[1].step, 31);
    EXPECT_EQ(sends[1].args, (std::vector<std::string>{"1", "9", "626561636f6e203200"}));
    EXPECT_EQ(sends[2].step, 47);
    EXPECT_EQ(sends[2].args, (std::vector<std::string>{"1", "4", "00007040"}));
    EXPECT_EQ(script::console(r), "sent 1.250000\nsent \"beacon 2\"\nsent 3.750000\n");
    auto enables = script::calls_named(r, "emitter_enable");
    ASSERT_EQ(enables.size(), 1u);
    EXPECT_EQ(enables[0].args, (std::vector<std::string>{"1", "64"}));
}

TEST(Beacon, WithoutAnEmitterItStillRunsAndSendsToTagZero) {
    const script::Result r = script::run(script::scripted("ir_beacon"), "steps 17\n");
    ASSERT_EQ(r.status, 0) << r.err;
    auto sends = script::calls_named(r, "emitter_send");
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].args[0], "0");
}
