// The stand-in's own behaviour, where a fault would make the programs'
// tests pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include <string>

#include "run_scenario.h"

namespace {

const std::string probe = std::string(SCRIPTED_DIR) + "/script_probe";
const std::string loop_probe = std::string(SCRIPTED_DIR) + "/script_loop_probe";

std::vector<std::string> results_of(const script::Result& r, const std::string& name) {
    std::vector<std::string> out;
    for (const script::Call& c : script::calls_named(r, name)) out.push_back(c.result);
    return out;
}

TEST(ScenarioErrors, NameTheFileAndLineAndStopBeforeTheProgramRuns) {
    struct Case {
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {"devices ds0\nsteps 3\nstep 0\nds1 5\n", ":4: "},                 // unknown device
        {"devices ds0\nsteps 3\nstep 0\nds0 65536\n", ":4: "},             // reading out of range
        {"devices ds0\nsteps 3\nstep 0\nds0 12x\n", ":4: "},               // not a number
        {"devices ds0\nsteps 3\nstep 2\nstep 1\n", ":4: "},                // steps not ascending
        {"devices ds0\nsteps 3\nstep 3\nds0 1\n", ":3: "},                 // beyond the last step
        {"devices rx\nsteps 3\nstep 0\npacket rx 0g\n", ":4: "},           // bad hex
        {"devices ds0\n\n# no steps line\n", ":3: "},                      // steps is required
        {"steps 2\nstep 0\nsteps 3\n", ":3: "},                            // header after samples
        {"devices ds0\nsteps 2\nstep 0\nds0 1 2 3\n", ":4: "},             // neither reading nor gps
        {"devices ds0\nsteps 2\nstep 0\nds0 1\npacket ds0 00\n", ":5: "},  // two kinds
    };
    for (const Case& c : cases) {
        const script::Result r = script::run(probe, c.text);
        EXPECT_EQ(r.status, 3) << c.text;
        EXPECT_NE(r.err.find(c.where), std::string::npos) << c.text << r.err;
        EXPECT_NE(r.err.find("scenario"), std::string::npos) << "names the file: " << r.err;
        EXPECT_TRUE(r.out.empty()) << "the program's reset must not have run";
    }
}

TEST(Samples, ReadingsHoldUntilSetAgainWhileKeysAndPacketsBelongToTheirStep) {
    const script::Result r = script::run(probe,
                                         "devices ds0 rx\nsteps 4\n"
                                         "step 0\nds0 5\n"
                                         "step 1\nkeys 80 317\npacket rx 01 02 03\n"
                                         "step 2\nds0 9\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(results_of(r, "distance_sensor_get_value"), (std::vector<std::string>{"5", "5", "9", "9"}));
    EXPECT_EQ(results_of(r, "robot_keyboard_get_key"), (std::vector<std::string>{"0", "80", "317", "0", "0", "0"}));
    EXPECT_EQ(results_of(r, "receiver_get_buffer_size"), (std::vector<std::string>{"0", "3", "0", "0"}));
}

TEST(Samples, TagZeroReadsNeutralValues) {
    const script::Result r = script::run(probe, "devices other\nsteps 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n");  // the identity matrix
    EXPECT_EQ(results_of(r, "robot_get_device"), (std::vector<std::string>{"0", "0"}));
    EXPECT_EQ(results_of(r, "distance_sensor_get_value"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(results_of(r, "receiver_get_buffer_size"), (std::vector<std::string>{"0"}));
}

TEST(Samples, ReadingPastAPacketEndsTheProgram) {
    const script::Result r = script::run(probe, "name overread\ndevices rx\nsteps 2\nstep 1\npacket rx 41 42\n");
    EXPECT_EQ(r.status, 128 + 11);  // SIGSEGV
}

TEST(Steps, RobotRunCallsRunOncePerStepThenReturns) {
    const script::Result r = script::run(probe, "steps 3\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto returned = script::calls_named(r, "run_returned");
    ASSERT_EQ(returned.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(returned[i].step, i);
        EXPECT_EQ(returned[i].args, (std::vector<std::string>{"64"}));
    }
    EXPECT_EQ(r.calls.front().name, "robot_live");
    EXPECT_EQ(r.calls.back().name, "end");
}

TEST(Steps, RobotStepEndsTheProcessWithStatusZeroAfterTheLastStep) {
    const script::Result r = script::run(loop_probe, "devices ds0\nsteps 5\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(script::calls_named(r, "robot_step").size(), 5u);
    EXPECT_EQ(script::calls_named(r, "distance_sensor_get_value").size(), 5u);
    EXPECT_EQ(r.calls.back().name, "end");
}

TEST(Trace, RangesLeaveOutWholeStepsButKeepTheEnd) {
    const script::Result r = script::run(probe, "steps 1000\ntrace 2 3\ntrace 998 999\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> steps;
    for (const script::Call& c : script::calls_named(r, "run_returned")) steps.push_back(c.step);
    EXPECT_EQ(steps, (std::vector<int>{2, 3, 998, 999}));
    EXPECT_EQ(r.calls.back().name, "end");
    EXPECT_EQ(r.calls.back().step, 1000);
}

TEST(Trace, ConsoleTextIsKeptByteForByte) {
    const script::Result r = script::run(probe, "name console\nsteps 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::console(r), "tab\there \\ \x01\x7f\xff line\n");
}

}  // namespace
