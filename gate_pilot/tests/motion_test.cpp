// Pose and motion numbers as the whole program turns them into forces:
// the pilot has the controls and touches nothing, so every force is
// buoyancy and drag.
#include "scenario.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using pilot::atRest;
using pilot::expectForces;

const double mg = 0.25 * double(9.81f);

// One pass per entry; the pilot switches the autopilot off on the first.
std::string passes(const std::vector<std::string> &gpsLines) {
    std::string text = pilot::header(int(gpsLines.size()));
    for (std::size_t k = 0; k < gpsLines.size(); ++k)
        text += "step " + std::to_string(k) + "\n" + gpsLines[k] + (k == 0 ? "keys 80\n" : "");
    return text;
}

// Three passes moving 1 m/s along a world axis.
std::vector<pilot::Forces> moving(double heading, int axis) {
    std::vector<std::string> lines;
    for (int k = 0; k < 3; ++k) {
        float p[3] = {1, 1, 1};
        p[axis] += float(0.032 * k);
        lines.push_back(pilot::gps(heading, p[0], p[1], p[2]));
    }
    return pilot::forces(pilot::run(passes(lines)));
}

TEST(Motion, LevelFlightAlongEachWorldAxisMeetsItsDrag) {
    auto f = moving(0, 0);
    ASSERT_EQ(f.size(), 3u);
    expectForces(f[2], {-0.07f, float(mg), 0, 0, 0, float(0.005 * mg)}, 2e-5);
    f = moving(0, 2);
    expectForces(f[2], {0, float(mg), -0.25f, 0, 0, float(0.005 * mg)}, 2e-5);
    f = moving(0, 1);
    expectForces(f[2], {0, float(mg - 0.25), 0, 0, 0, float(0.005 * mg)}, 2e-5);
}

TEST(Motion, FacingPlusZAMoveAlongXIsSideways) {
    const auto f = moving(M_PI / 2, 0);
    ASSERT_EQ(f.size(), 3u);
    // Body velocity (0, -1, 0): drag pushes to the right, robot z.
    expectForces(f[2], {0, float(mg), 0.25f, 0, 0, float(0.005 * mg)}, 2e-5);
}

TEST(Motion, AtRestNothingButBuoyancyFromTheSecondPass) {
    const auto f =
        pilot::forces(pilot::run(passes({pilot::gps(0, 5, 2, -3), pilot::gps(0, 5, 2, -3), pilot::gps(0, 5, 2, -3)})));
    ASSERT_EQ(f.size(), 3u);
    expectForces(f[2], atRest(0, 0, 0));
}

TEST(Motion, AYawThatWrapsAroundHoldsItsLastRate) {
    const double rate = 0.7, step = rate * 0.032;
    const auto f = pilot::forces(
        pilot::run(passes({pilot::gps(3.1 - 2 * step, 0, 1, 0), pilot::gps(3.1 - step, 0, 1, 0),
                           pilot::gps(3.1, 0, 1, 0), pilot::gps(-3.1, 0, 1, 0), pilot::gps(-3.1, 0, 1, 0)})));
    ASSERT_EQ(f.size(), 5u);
    // Yaw-rate drag about body z is robot -y: 0.01 * 0.7^2.
    EXPECT_NEAR(f[2][4], 0.0049, 2e-6);
    EXPECT_EQ(f[3][4], f[2][4]);
    EXPECT_NEAR(f[4][4], 0, 1e-9);
}

TEST(Motion, AHalfTurnOfExactlyPiInOnePassIsARate) {
    const std::array<float, 16> backwards = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 1, 0, 1};
    const auto f =
        pilot::forces(pilot::run(passes({pilot::gps(0, 0, 1, 0), pilot::gps(0, 0, 1, 0), pilot::gps(backwards)})));
    ASSERT_EQ(f.size(), 3u);
    const double yawRate = double(3.1415927f) / double(0.032f);
    EXPECT_NEAR(f[2][4], 0.01 * yawRate * yawRate, 1e-4);
}

TEST(Motion, ScaleDividesThePositionButNotTheVelocity) {
    // Twice the scale: 8 m of translation is 4 m of altitude, at the ceiling,
    // while the craft still moves 1 m/s along x.
    const auto r = pilot::run(
        passes({pilot::gps(0, 0, 8, 0, 2), pilot::gps(0, 0.032f, 8, 0, 2), pilot::gps(0, 0.064f, 7.9f, 0, 2)}));
    EXPECT_EQ(pilot::consoleOf(r, 1), std::vector<std::string>{pilot::ceilingLine});
    EXPECT_TRUE(pilot::consoleOf(r, 2).empty());
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_NEAR(f[2][0], -0.07, 2e-5);
}

// Degenerate matrices must not put NaN or infinity into the autopilot or
// the force sent: a zero scale reads as 1, a forward axis rounded past
// vertical as vertical.
TEST(Motion, DegenerateMatricesStillGiveFiniteForces) {
    const std::array<float, 16> noScale = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 4, 1, 0};
    const std::array<float, 16> pastVertical = {0, 1.0000001f, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 2, 1, 1};
    for (const auto &m : {noScale, pastVertical}) {
        std::string text = pilot::header(4) + "step 0\n" + pilot::gps(m);  // the autopilot flies
        const script::Result r = pilot::run(text);
        const auto f = pilot::forces(r);
        ASSERT_EQ(f.size(), 4u);
        for (const auto &pass : f)
            for (float v : pass) EXPECT_TRUE(std::isfinite(v));
    }
    // A zero scale leaves the translation as the position: 4 m is the ceiling.
    const auto r = pilot::run(pilot::header(1) + "step 0\n" + pilot::gps(noScale));
    EXPECT_EQ(pilot::consoleOf(r, 0), std::vector<std::string>{pilot::ceilingLine});
}

}  // namespace
