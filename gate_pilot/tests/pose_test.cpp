// Position, attitude, velocity and Euler rates from GPS matrices.
#include "pose.h"

#include "fake_library.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A level craft heading h (0 along +x, growing toward +z) at (x, y, z):
// column-major, the columns being its forward, up and right axes.
void levelAt(float *m, double h, float x, float y, float z) {
    const float c = float(std::cos(h)), s = float(std::sin(h));
    const float matrix[16] = {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, x, y, z, 1};
    std::copy(matrix, matrix + 16, m);
}

Motion afterPasses(std::initializer_list<std::array<float, 4>> passes) {
    Motion motion{};
    float m[16];
    for (const auto &p : passes) {
        levelAt(m, p[0], p[1], p[2], p[3]);
        motionStage(m, motion);
    }
    return motion;
}

TEST(Pose, PositionIsTheTranslationOverTheScaleButTheDynamicsFrameIgnoresIt) {
    float m[16];
    levelAt(m, 0, 3, 1.5f, -4);
    m[15] = 2;
    float pos[3];
    positionFromMatrix(m, pos);
    EXPECT_EQ(pos[0], 1.5f);
    EXPECT_EQ(pos[1], 0.75f);
    EXPECT_EQ(pos[2], -2.0f);
    Motion motion{};
    motionStage(m, motion);
    EXPECT_EQ(motion.nedPos[0], 3.0f);
    EXPECT_EQ(motion.nedPos[1], -4.0f);
    EXPECT_EQ(motion.nedPos[2], -1.5f);
}

TEST(Pose, AZeroScaleIsTakenAsOneRatherThanDividedBy) {
    float m[16];
    levelAt(m, 0, 3, 1.5f, -4);
    m[15] = 0;
    float pos[3];
    positionFromMatrix(m, pos);
    EXPECT_EQ(pos[0], 3.0f);
    EXPECT_EQ(pos[1], 1.5f);
    EXPECT_EQ(pos[2], -4.0f);
}

TEST(Pose, PoseStageReadsTheHeadingThroughTheLibrary) {
    levelAt(fake::gpsMatrix, 1.0, 1, 2, 3);
    float pos[3], eulerAngles[3];
    const float *m = poseStage(0, pos, eulerAngles);
    EXPECT_EQ(m, fake::gpsMatrix);
    EXPECT_NEAR(eulerAngles[1], 1.0, 1e-6);
    EXPECT_EQ(pos[2], 3.0f);
}

TEST(Motion, IdentityIsLevelAndFirstPassDividesTheWholePosition) {
    const Motion s = afterPasses({{0, 3, 0, 0}});
    EXPECT_EQ(s.roll, 0.0f);
    EXPECT_EQ(s.pitch, 0.0f);
    EXPECT_EQ(s.yaw, 0.0f);
    EXPECT_NEAR(s.nedVel[0], 93.75, 1e-4);
}

TEST(Motion, LevelMotionAlongEachWorldAxis) {
    const float d = Dt;  // one pass at 1 m/s
    Motion s = afterPasses({{0, 5, 1, 5}, {0, 5 + d, 1, 5}});
    EXPECT_NEAR(s.nedVel[0], 1, 1e-5);
    EXPECT_NEAR(s.bodyVel[0], 1, 1e-5);
    EXPECT_NEAR(s.bodyVel[1], 0, 1e-6);
    EXPECT_NEAR(s.bodyVel[2], 0, 1e-6);

    s = afterPasses({{0, 5, 1, 5}, {0, 5, 1, 5 + d}});
    EXPECT_NEAR(s.bodyVel[0], 0, 1e-6);
    EXPECT_NEAR(s.bodyVel[1], 1, 1e-5);

    s = afterPasses({{0, 5, 1, 5}, {0, 5, 1 + d, 5}});
    EXPECT_NEAR(s.nedVel[2], -1, 1e-5);
    EXPECT_NEAR(s.bodyVel[2], -1, 1e-5);

    s = afterPasses({{0, 5, 1, 5}, {0, 5, 1, 5}});
    for (float v : s.bodyVel) EXPECT_EQ(v, 0.0f);
}

TEST(Motion, FacingPlusZMotionAlongXIsToTheLeft) {
    const Motion s = afterPasses({{1.5707963, 0, 1, 0}, {1.5707963, Dt, 1, 0}});
    EXPECT_NEAR(s.yaw, 1.5707963, 1e-6);
    EXPECT_NEAR(s.bodyVel[0], 0, 1e-5);
    EXPECT_NEAR(s.bodyVel[1], -1, 1e-5);
    EXPECT_NEAR(s.bodyVel[2], 0, 1e-6);
}

TEST(Motion, AWrappedYawHoldsThePreviousRate) {
    const double before = 3.1 - 0.7 * Dt;
    const Motion s = afterPasses({{float(before), 0, 0, 0}, {3.1f, 0, 0, 0}});
    EXPECT_NEAR(s.eulerRate[2], 0.7, 1e-4);
    Motion wrapped = s;
    float m[16];
    levelAt(m, -3.1, 0, 0, 0);
    motionStage(m, wrapped);
    EXPECT_NEAR(wrapped.yaw, -3.1, 1e-6);
    EXPECT_EQ(wrapped.eulerRate[2], s.eulerRate[2]);
    // Held again on a second wrap in a row, and the copies move on regardless.
    levelAt(m, 3.1, 0, 0, 0);
    motionStage(m, wrapped);
    EXPECT_EQ(wrapped.eulerRate[2], s.eulerRate[2]);
    EXPECT_NEAR(wrapped.prevYaw, -3.1, 1e-6);
}

TEST(Motion, AChangeOfExactlyPiIsARate) {
    Motion s{};
    float m[16];
    levelAt(m, 0, 0, 0, 0);
    motionStage(m, s);
    const float backwards[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    motionStage(backwards, s);
    ASSERT_EQ(s.yaw, PI);
    EXPECT_EQ(s.eulerRate[2], float(double(PI) / double(Dt)));
}

TEST(Motion, ForwardAxisAHairPastVerticalGivesAVerticalPitchNotNaN) {
    // Forward axis straight up, rounded past unit length.
    const float m[16] = {0, 1.0000001f, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Motion s{};
    motionStage(m, s);
    EXPECT_EQ(s.pitch, float(std::asin(1.0)));
    EXPECT_TRUE(std::isfinite(s.eulerRate[1]));
    for (float v : s.bodyVel) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
