// Saturation of the commands and the ceiling and ground overrides, with
// their console lines.
#include "scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using pilot::atRest;
using pilot::expectForces;
using Lines = std::vector<std::string>;

std::string pilotFlying(int steps, float y = 1.8f) {
    return pilot::header(steps) + "step 0\n" + pilot::gps(0, 0, y, 0) + "keys 80\n";
}

TEST(Saturation, ValuesInsideTheBoundsPassAndLargerOnesAreCut) {
    // The autopilot turning toward gate 0 from 0.1 rad short of its bearing
    // asks 1.0 on the third pass; 0.1 past it, -1.0; a quarter turn off, +2.
    const double bearing = std::atan2(3.0, 0.95);
    for (double off : {0.1, -0.1, 0.5}) {
        const script::Result r = pilot::run(pilot::header(3) + "step 0\n" + pilot::gps(bearing - off, 0, 1.8f, 0));
        const auto f = pilot::forces(r);
        ASSERT_EQ(f.size(), 3u);
        expectForces(f[2], atRest(0, off == 0.5 ? 2.0 : 10 * off, 0), 1e-5);
    }
}

TEST(GroundProximity, WarnsFromEightHundredAndClimbsFromNineHundredOnEitherSensor) {
    const script::Result r = pilot::run(pilotFlying(9) +
                                        "step 2\nds0 799\n"
                                        "step 3\nds0 800\n"
                                        "step 4\nds0 899\n"
                                        "step 5\nds0 0\nds1 900\n"
                                        "step 6\nds1 65535\n"
                                        "step 7\nds1 0\n");
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(pilot::consoleOf(r, 2), Lines{});
    EXPECT_EQ(pilot::consoleOf(r, 3), Lines{pilot::warningLine});
    EXPECT_EQ(pilot::consoleOf(r, 4), Lines{pilot::warningLine});
    expectForces(f[4], atRest(0, 0, 0));
    for (int step : {5, 6}) {
        EXPECT_EQ(pilot::consoleOf(r, step), (Lines{pilot::warningLine, pilot::emergencyLine}));
        expectForces(f[step], atRest(0, 0, -2));
    }
    EXPECT_EQ(pilot::consoleOf(r, 7), Lines{});
    expectForces(f[7], atRest(0, 0, 0));
}

TEST(Ceiling, FromExactlyFourMetresTheVerticalCommandIsOnePointFive) {
    const script::Result r = pilot::run(pilot::header(5) + "step 0\n" + pilot::gps(0, 0, 3.9999998f, 0) +
                                        "keys 80\n"
                                        "step 2\nkeys 90\n" +
                                        "step 3\n" + pilot::gps(0, 0, 4.0f, 0) + "keys 90\n" + "step 4\nkeys 65\n");
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(pilot::consoleOf(r, 2), Lines{});
    expectForces(f[2], atRest(0, 0, 2));
    EXPECT_EQ(pilot::consoleOf(r, 3), Lines{pilot::ceilingLine});
    expectForces(f[3], atRest(0, 0, 1.5));
    EXPECT_EQ(pilot::consoleOf(r, 4), Lines{pilot::ceilingLine});
    expectForces(f[4], atRest(0, 0, 1.5));
}

TEST(Ceiling, TheEmergencyClimbComesLastAndWins) {
    const script::Result r = pilot::run(pilotFlying(3, 4.5f) + "step 2\nds0 950\nkeys 90\n");
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(pilot::consoleOf(r, 2), (Lines{pilot::ceilingLine, pilot::warningLine, pilot::emergencyLine}));
    expectForces(f[2], atRest(0, 0, -2));
    // The lines come after the keys are read and before the force is sent.
    const auto calls = pilot::callsOf(r, 2);
    auto first = [&](const char *name) { return std::find(calls.begin(), calls.end(), name); };
    EXPECT_EQ(std::count(first("robot_keyboard_get_key"), first("robot_console_print"), "robot_keyboard_get_key"), 4);
    EXPECT_LT(first("robot_console_print"), first("custom_robot_set_rel_force_and_torque"));
}

TEST(Ceiling, ALastingConditionPrintsEveryPass) {
    const script::Result r = pilot::run(pilot::header(6) + "step 0\n" + pilot::gps(0, 0, 5, 0) + "keys 80\nds1 850\n");
    for (int step = 0; step < 6; ++step)
        EXPECT_EQ(pilot::consoleOf(r, step), (Lines{pilot::ceilingLine, pilot::warningLine}));
}

}  // namespace
