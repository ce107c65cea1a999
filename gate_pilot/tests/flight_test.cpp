// The autopilot flying the course through the whole program: the GPS puts
// the craft where each transition happens, pass by pass.
#include "scenario.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Lines = std::vector<std::string>;

const double course[7][3] = {{0.95, 1.8, 3.0}, {1.15, 1.8, -6.5}, {-0.6, 1.8, -3.5}, {-0.6, 1.8, 4.8},
                             {-1.0, 1.8, 8.0}, {3.5, 2.2, 2.0},   {3.5, 2.2, 0.0}};

struct Pass {
    double heading;
    double x, y, z;
    std::string extra;  // further sample lines of the pass
};

double bearing(const double *from, const double *to) { return std::atan2(to[2] - from[2], to[0] - from[0]); }

std::string scenarioOf(const std::vector<Pass> &passes) {
    std::string text = pilot::header(int(passes.size()));
    for (std::size_t k = 0; k < passes.size(); ++k) {
        const Pass &p = passes[k];
        text +=
            "step " + std::to_string(k) + "\n" + pilot::gps(p.heading, float(p.x), float(p.y), float(p.z)) + p.extra;
    }
    return text;
}

// Gates 0 to 4, each in two passes: facing its bearing (state 1 locks on)
// and then at the gate (state 2 arrives).
std::vector<Pass> throughTheGates() {
    std::vector<Pass> passes;
    double at[3] = {0, 1.8, 0};
    for (int row = 0; row < 5; ++row) {
        passes.push_back({bearing(at, course[row]), at[0], 1.8, at[2], ""});
        passes.push_back({0, course[row][0], 1.8, course[row][2], ""});
        std::copy(course[row], course[row] + 3, at);
    }
    return passes;
}

// From gate 4 into the dock: lock on to row 5, come within 2 of it (state
// 3), level with it in z (state 4), in line in x (state 5), then at the dock.
std::vector<Pass> toTheDock() {
    std::vector<Pass> passes = throughTheGates();
    passes.push_back({bearing(course[4], course[5]), course[4][0], 1.8, course[4][2], ""});
    passes.push_back({0, 3.5, 2.2, 0.5, ""});      // pass 11: to state 3
    passes.push_back({-1.57, 3.0, 2.2, 2.0, ""});  // pass 12: to state 4
    passes.push_back({0, 3.5, 2.2, 2.0, ""});      // pass 13: to state 5
    return passes;
}

TEST(Flight, EachGateIsAnnouncedOnArrivalAndTheDockOnEveryPassWithinAMillimetre) {
    std::vector<Pass> passes = toTheDock();
    passes.push_back({1.57, 3.5, 2.2, -0.001, ""});  // the float nearest 0.001 is above it
    for (int k = 0; k < 10; ++k) passes.push_back({1.57, 3.5, 2.2, 0.0009, ""});
    const script::Result r = pilot::run(scenarioOf(passes));
    std::string expected;
    for (int row = 0; row < 5; ++row) expected += pilot::arrivalLine;
    for (int k = 0; k < 10; ++k) expected += pilot::dockedLine;
    EXPECT_EQ(script::console(r), expected);
    for (int row = 0; row < 5; ++row) EXPECT_EQ(pilot::consoleOf(r, 2 * row + 1), Lines{pilot::arrivalLine});
    EXPECT_TRUE(pilot::consoleOf(r, 14).empty());
    EXPECT_EQ(pilot::consoleOf(r, 15), Lines{pilot::dockedLine});
}

// The checks look at the state the autopilot leaves, so the pass that
// enters state 4 is already silent.
TEST(Flight, GroundChecksAreSilentWhileDockingButTheCeilingIsNot) {
    std::vector<Pass> passes = toTheDock();
    passes[11].extra = "ds0 950\n";                                  // held from here on
    passes.insert(passes.begin() + 12, {-1.57, 3.5, 2.2, 1.0, ""});  // stays in state 3
    passes.push_back({1.57, 3.5, 2.2, 0.0, "ds1 900\n"});            // state 5
    passes.push_back({1.57, 3.5, 4.0, 0.0, ""});                     // state 5 at the ceiling
    const script::Result r = pilot::run(scenarioOf(passes));
    for (int step : {11, 12}) EXPECT_EQ(pilot::consoleOf(r, step), (Lines{pilot::warningLine, pilot::emergencyLine}));
    EXPECT_TRUE(pilot::consoleOf(r, 13).empty());
    EXPECT_TRUE(pilot::consoleOf(r, 14).empty());
    EXPECT_EQ(pilot::consoleOf(r, 15), Lines{pilot::dockedLine});
    EXPECT_EQ(pilot::consoleOf(r, 16), (Lines{pilot::dockedLine, pilot::ceilingLine}));
}

TEST(Flight, AfterGateOneTheTurnTowardGateTwoTakesTheLongWay) {
    std::vector<Pass> passes = throughTheGates();
    passes.resize(4);
    // At gate 1 heading -1.57: the bearing to gate 2 is about 2.10, so the
    // error is +3.67 and it turns toward larger headings, not 2.6 rad back.
    passes.push_back({-1.57, course[1][0], 1.8, course[1][2], ""});
    passes.push_back({-1.57, course[1][0], 1.8, course[1][2], ""});
    const auto f = pilot::forces(pilot::run(scenarioOf(passes)));
    ASSERT_EQ(f.size(), 6u);
    pilot::expectForces(f[5], pilot::atRest(0, 2, 0));
}

TEST(Flight, AutopilotResumesWhereThePilotTookOver) {
    std::vector<Pass> passes = throughTheGates();
    passes.resize(6);  // gates 0 to 2 passed
    passes.push_back({bearing(course[2], course[3]), course[2][0], 1.8, course[2][2], ""});
    passes.push_back({0, 0, 1.8, 0, "keys 80\n"});  // state 2 for gate 3; pilot takes over
    passes.push_back({0, 0, 1.8, 0, "keys 317\n"});
    passes.push_back({0, course[3][0], 1.8, course[3][2], ""});  // at gate 3, but by hand
    passes.push_back({0, 5, 1.8, 5, "keys 80\n"});               // back on
    passes.push_back({0, course[3][0], 1.8, course[3][2], ""});
    const script::Result r = pilot::run(scenarioOf(passes));
    EXPECT_TRUE(pilot::consoleOf(r, 9).empty());
    EXPECT_EQ(pilot::consoleOf(r, 11), Lines{pilot::arrivalLine});
}

}  // namespace
