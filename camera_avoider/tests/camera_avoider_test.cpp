// camera_avoider on scripted readings: the steering of the infrared avoider
// at a cruise of 50, the camera fetched first in every step, and the one
// console message for a missing camera.
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

script::Result drive(const std::string& devices, const std::vector<Readings>& cases) {
    std::string scenario = "devices " + devices + "\nsteps " + std::to_string(cases.size()) + "\n";
    // A robot without one of the sensors has no readings for it.
    const bool has_ir0 = devices.find("ir0") != std::string::npos;
    const bool has_ir1 = devices.find("ir1") != std::string::npos;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        scenario += "step " + std::to_string(i) + "\n";
        if (has_ir0) scenario += "ir0 " + std::to_string(cases[i].ir0) + "\n";
        if (has_ir1) scenario += "ir1 " + std::to_string(cases[i].ir1) + "\n";
    }
    return script::run(script::scripted("camera_avoider"), scenario);
}

const std::vector<Readings> boundary_cases = {
    {200, 200, {"50", "50"}},                             // 200 is not an obstacle yet
    {0, 201, {"-20", "20"}},                              // ir1 sees one: turn left
    {65535, 201, {"-20", "20"}},                          // whatever ir0 reads
    {201, 200, {"20", "-20"}},                            // only ir0: turn right
    {65535, 65535, {"-20", "20"}},                        // the top reading is near, never negative
    {300, 0, {"20", "-20"}},       {0, 0, {"50", "50"}},  // clear again: cruise at once
};

void expect_steering(const script::Result& r, const std::vector<Readings>& cases) {
    const auto wheels = script::calls_named(r, "differential_wheels_set_speed");
    ASSERT_EQ(wheels.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(wheels[i].args, cases[i].wheels) << "ir0 " << cases[i].ir0 << ", ir1 " << cases[i].ir1;
    }
}

TEST(Steering, TurnsWhileASensorReadsAbove200AndIr1WinsOverIr0) {
    const script::Result r = drive("ir0 ir1 camera", boundary_cases);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_steering(r, boundary_cases);
}

TEST(Calls, EveryRunFetchesTheImageThenReadsBothSensorsThenSetsTheWheelsOnce) {
    const script::Result r = drive("ir0 ir1 camera", {{0, 0, {}}, {0, 900, {}}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::lines(r), (std::vector<std::string>{
                                    "0 robot_live",
                                    "0 robot_get_device ir0 =1",
                                    "0 robot_get_device ir1 =2",
                                    "0 robot_get_device camera =3",
                                    "0 distance_sensor_enable 1 64",
                                    "0 distance_sensor_enable 2 64",
                                    "0 camera_enable 3 64",
                                    "0 robot_run",
                                    "0 camera_get_image 3",
                                    "0 distance_sensor_get_value 1 =0",
                                    "0 distance_sensor_get_value 2 =0",
                                    "0 differential_wheels_set_speed 50 50",
                                    "0 run_returned 64",
                                    "1 camera_get_image 3",
                                    "1 distance_sensor_get_value 1 =0",
                                    "1 distance_sensor_get_value 2 =900",
                                    "1 differential_wheels_set_speed -20 20",
                                    "1 run_returned 64",
                                    "2 end",
                                }));
}

TEST(MissingCamera, IsReportedOnceInResetAndTheRobotSteersAsBefore) {
    const script::Result r = drive("ir0 ir1", boundary_cases);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::console(r), "Camara perdida\n");
    const auto prints = script::calls_named(r, "robot_console_print");
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].step, 0);
    // Found missing after the camera lookup, reported before any enable,
    // written into the library's buffer and printed from a second fetch of it.
    const std::vector<std::string> all = script::lines(r);
    const std::vector<std::string> reset(all.begin() + 1, all.begin() + 10);
    EXPECT_EQ(reset, (std::vector<std::string>{
                         "0 robot_get_device ir0 =1",
                         "0 robot_get_device ir1 =2",
                         "0 robot_get_device camera =0",
                         "0 robot_get_formated_string",
                         "0 robot_get_formated_string",
                         "0 robot_console_print Camara perdida\n",
                         "0 distance_sensor_enable 1 64",
                         "0 distance_sensor_enable 2 64",
                         "0 camera_enable 0 64",
                     }));
    for (const auto& c : script::calls_named(r, "camera_get_image")) EXPECT_EQ(c.args[0], "0");
    expect_steering(r, boundary_cases);
}

TEST(MissingSensor, IsNotReported) {
    const script::Result r = drive("ir1 camera", {{0, 300, {"-20", "20"}}, {0, 0, {"50", "50"}}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(script::calls_named(r, "robot_console_print").empty());
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(script::calls_named(r, "distance_sensor_enable")[0].args, (Args{"0", "64"}));
}

}  // namespace
