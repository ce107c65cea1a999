// ir_avoider on scripted readings: which wheel command each pair of
// readings gives, and that every step makes the same calls in the same order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_scenario.h"

namespace {

using Args = std::vector<std::string>;

struct Readings {
    int ir0, ir1;
    Args wheels;  // left, right
};

// One step per case, both readings set in every step.
script::Result drive(const std::vector<Readings>& cases) {
    std::string scenario = "devices ir0 ir1\nsteps " + std::to_string(cases.size()) + "\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        scenario += "step " + std::to_string(i) + "\nir0 " + std::to_string(cases[i].ir0) + "\nir1 " +
                    std::to_string(cases[i].ir1) + "\n";
    }
    return script::run(script::scripted("ir_avoider"), scenario);
}

TEST(Steering, TurnsWhileASensorReadsAbove200AndIr1WinsOverIr0) {
    const std::vector<Readings> cases = {
        {200, 200, {"100", "100"}},                                  // 200 is not an obstacle yet
        {0, 201, {"-20", "20"}},                                     // ir1 sees one: turn left
        {65535, 201, {"-20", "20"}},                                 // whatever ir0 reads
        {201, 200, {"20", "-20"}},                                   // only ir0: turn right
        {65535, 0, {"20", "-20"}},   {65535, 65535, {"-20", "20"}},  // the top reading is near, never negative
        {0, 65535, {"-20", "20"}},   {0, 0, {"100", "100"}},         // clear again: straight on at once
    };
    const script::Result r = drive(cases);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto wheels = script::calls_named(r, "differential_wheels_set_speed");
    ASSERT_EQ(wheels.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(wheels[i].step, static_cast<int>(i));
        EXPECT_EQ(wheels[i].args, cases[i].wheels) << "ir0 " << cases[i].ir0 << ", ir1 " << cases[i].ir1;
    }
}

TEST(Steering, ATurnLastsOnlyWhileItsReadingDoes) {
    // Right turn, then ir1 takes over, then clear: no memory of the last turn.
    const script::Result r = drive({{300, 0, {}}, {300, 300, {}}, {300, 0, {}}, {0, 0, {}}, {0, 0, {}}});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Args> wheels;
    for (const auto& c : script::calls_named(r, "differential_wheels_set_speed")) {
        wheels.push_back(c.args);
    }
    EXPECT_EQ(wheels, (std::vector<Args>{{"20", "-20"}, {"-20", "20"}, {"20", "-20"}, {"100", "100"}, {"100", "100"}}));
}

TEST(Calls, ResetFindsAndEnablesBothSensorsAndEveryRunReadsBothThenSetsTheWheelsOnce) {
    const script::Result r = drive({{0, 0, {}}, {500, 0, {}}, {0, 500, {}}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::lines(r), (std::vector<std::string>{
                                    "0 robot_live",
                                    "0 robot_get_device ir0 =1",
                                    "0 robot_get_device ir1 =2",
                                    "0 distance_sensor_enable 1 64",
                                    "0 distance_sensor_enable 2 64",
                                    "0 robot_run",
                                    "0 distance_sensor_get_value 1 =0",
                                    "0 distance_sensor_get_value 2 =0",
                                    "0 differential_wheels_set_speed 100 100",
                                    "0 run_returned 64",
                                    "1 distance_sensor_get_value 1 =500",
                                    "1 distance_sensor_get_value 2 =0",
                                    "1 differential_wheels_set_speed 20 -20",
                                    "1 run_returned 64",
                                    "2 distance_sensor_get_value 1 =0",
                                    "2 distance_sensor_get_value 2 =500",
                                    "2 differential_wheels_set_speed -20 20",
                                    "2 run_returned 64",
                                    "3 end",
                                }));
}

TEST(MissingSensor, PassesTagZeroOnSilentlyAndSteersByTheOtherSensor) {
    const script::Result r =
        script::run(script::scripted("ir_avoider"), "devices ir0\nsteps 2\nstep 0\nir0 900\nstep 1\nir0 0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(script::calls_named(r, "robot_console_print").empty());
    const auto enables = script::calls_named(r, "distance_sensor_enable");
    ASSERT_EQ(enables.size(), 2u);
    EXPECT_EQ(enables[1].args, (Args{"0", "64"}));
    const auto wheels = script::calls_named(r, "differential_wheels_set_speed");
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(wheels[0].args, (Args{"20", "-20"}));
    EXPECT_EQ(wheels[1].args, (Args{"100", "100"}));
}

}  // namespace
