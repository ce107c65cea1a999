// The force and torque handed to the body, in the robot's axes
// (fx, fy, fz, tx, ty, tz) = (body x, -body z, body y) for force and torque.
#include "force_model.h"

#include "fake_library.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double mg = 0.25 * double(9.81f);
const float zero3[3] = {0, 0, 0};

// What one pass after the lift passes sends.
std::array<float, 6> sent(float cmdFwd, float cmdYaw, float cmdVert, float roll = 0, float pitch = 0,
                          const float *bodyVel = zero3, const float *eulerRate = zero3) {
    int liftOffSteps = 2;
    forceModelStep(cmdFwd, cmdYaw, cmdVert, roll, pitch, bodyVel, eulerRate, liftOffSteps);
    EXPECT_EQ(liftOffSteps, 2);
    return fake::forces.back();
}

void expectNear(const std::array<float, 6> &got, const std::array<double, 6> &want) {
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], 2e-7) << "argument " << i;
}

TEST(ForceModel, FirstTwoPassesSendTheFixedLiftWhateverTheCommands) {
    fake::forces.clear();
    int liftOffSteps = 0;
    const float fast[3] = {90, -90, 90};
    for (int pass = 0; pass < 3; ++pass) forceModelStep(2, -2, 2, 0.5f, 0.5f, fast, fast, liftOffSteps);
    ASSERT_EQ(fake::forces.size(), 3u);
    const std::array<float, 6> lift = {0, 2.45f, 0, 0, 0, 0};
    EXPECT_EQ(fake::forces[0], lift);
    EXPECT_EQ(fake::forces[1], lift);
    EXPECT_NE(fake::forces[2], lift);
    EXPECT_EQ(liftOffSteps, 2);
}

TEST(ForceModel, LevelAtRestFloatsWithTheOffsetBuoyancyTorque) {
    expectNear(sent(0, 0, 0), {0, 2.4525, 0, 0, 0, 0.0122625});
}

TEST(ForceModel, EachThrusterActsOnItsOwnAxes) {
    expectNear(sent(1, 0, 0), {0.05, 2.4525, 0, 0, 0, 0.0122625});
    expectNear(sent(0, 1, 0),
               {0, 2.4525, 0, -0.52 * 0.05 * std::sin(0.04f), -0.52 * 0.05 * std::cos(0.04f), 0.0122625});
    expectNear(sent(0, 0, 1), {0, 2.4025, 0, 0, 0, 0.0122625 - 0.12 * 0.05 * std::cos(0.12f)});
    EXPECT_NEAR(sent(0, 1, 0)[4], -0.0259792, 1e-7);
    EXPECT_NEAR(sent(0, 0, 1)[5], 0.0063056, 1e-7);
}

TEST(ForceModel, DragOpposesEveryMotion) {
    const float forward[3] = {1, 0, 0}, right[3] = {0, 1, 0}, up[3] = {0, 0, -1};
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, forward)[0], -0.07, 1e-7);
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, right)[2], -0.25, 1e-7);
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, up)[1], 2.2025, 2e-7);

    const float fast[3] = {2, 0, 0}, back[3] = {-2, 0, 0};
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, fast)[0], -0.28, 1e-7);
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, back)[0], 0.28, 1e-7);

    const float yawRate[3] = {0, 0, 0.7f}, rollRate[3] = {1, 0, 0}, pitchRate[3] = {0, -1, 0};
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, zero3, yawRate)[4], 0.0049, 1e-7);
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, zero3, rollRate)[3], -0.016, 1e-7);
    EXPECT_NEAR(sent(0, 0, 0, 0, 0, zero3, pitchRate)[5], 0.0122625 + 0.016, 1e-7);
}

// Tilted, the buoyancy stays vertical in the world and its torque is the
// cross product of its point of action with it.
TEST(ForceModel, TiltedBuoyancyIsUpwardsInTheWorld) {
    const double phi = 0.3f, theta = -0.2f;
    const double F[3] = {mg * std::sin(theta), -mg * std::cos(theta) * std::sin(phi),
                         -mg * std::cos(theta) * std::cos(phi)};
    const double r[3] = {0.005, 0.0, -0.25};
    const double T[3] = {r[1] * F[2] - r[2] * F[1], r[2] * F[0] - r[0] * F[2], r[0] * F[1] - r[1] * F[0]};
    expectNear(sent(0, 0, 0, float(phi), float(theta)), {F[0], -F[2], F[1], T[0], -T[2], T[1]});
}

}  // namespace
