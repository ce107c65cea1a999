// The gate autopilot's laws, transitions and bounds, step by step.
#include "autopilot.h"

#include "fake_library.h"
#include "pose.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class Autopilot : public ::testing::Test {
protected:
    void SetUp() override {
        Kpro = 2, Kdif = 80, Kpro2 = 4, Kdif2 = 80, Kpro3 = 10, Kdif3 = 1, Kint3 = 0.1f;
        Kproh = 2, Kdifh = 80;
        dx = dy = dz = dh = Pdx = Pdy = Pdz = Pdh = ISum3 = 0;
        fake::console.clear();
    }

    void step(float x, float y, float z, float heading) {
        const float pos[3] = {x, y, z};
        autopilotStep(pos, heading, apState, gateIndex, cmdYaw, cmdVert, cmdFwd);
    }
    // Places the craft so that the row's offset (target minus pos) on x and z
    // is the given single-precision value, or as near as floats allow; the
    // offsets reached are left in offX and offZ.
    void stepAtOffset(int row, float wantX, float wantZ, float heading, float y = 1.8f) {
        const float x = posFor(Puertas[row][0], wantX), z = posFor(Puertas[row][2], wantZ);
        offX = float(double(Puertas[row][0]) - x);
        offZ = float(double(Puertas[row][2]) - z);
        step(x, y, z, heading);
    }
    static float posFor(float target, float off) {
        auto miss = [&](float p) { return std::fabs(double(float(double(target) - p)) - off); };
        float best = float(double(target) - off), p = best;
        for (int i = 0; i < 8; ++i) p = std::nextafter(p, -1e9f);
        for (int i = 0; i < 16; ++i, p = std::nextafter(p, 1e9f))
            if (miss(p) < miss(best)) best = p;
        return best;
    }

    float offX = 0, offZ = 0;
    int apState = 1, gateIndex = 0;
    float cmdYaw = 7, cmdVert = 7, cmdFwd = 7;
};

TEST_F(Autopilot, FirstPassOnlyTurnsWithElevenTimesTheError) {
    step(0, 1.8f, 0, 0);
    const float bearing = float(std::atan(double(3.0f) / double(0.95f)));
    EXPECT_EQ(dx, bearing);
    EXPECT_EQ(cmdYaw, float(11.0 * bearing));
    EXPECT_EQ(cmdVert, 0.0f);
    EXPECT_EQ(cmdFwd, 0.0f);
    EXPECT_EQ(apState, 1);
}

TEST_F(Autopilot, BearingCoversEveryDirectionAroundTheTarget) {
    struct Case {
        float offX, offZ;
        double bearing;
    };
    const Case cases[] = {
        {0, 3, M_PI / 2},        {0, -3, -M_PI / 2}, {1, 0, 0},
        {-1, 0, M_PI},  // straight along -x: the target's direction, not 0
        {1, 1, M_PI / 4},        {1, -1, -M_PI / 4}, {-1, 1, 3 * M_PI / 4},
        {-1, -1, -3 * M_PI / 4},
    };
    for (const Case &c : cases) {
        SetUp();
        apState = 1;
        stepAtOffset(0, c.offX, c.offZ, 0);
        EXPECT_NEAR(dx, c.bearing, 1e-6) << c.offX << ", " << c.offZ;
        EXPECT_TRUE(std::isfinite(cmdYaw));
    }
}

TEST_F(Autopilot, BearingsBetweenTheRowsOfTheCourse) {
    gateIndex = 1;
    step(Puertas[0][0], 1.8f, Puertas[0][2], 0);
    EXPECT_NEAR(dx, -1.55, 0.01);
    gateIndex = 2;
    step(Puertas[1][0], 1.8f, Puertas[1][2], 0);
    EXPECT_NEAR(dx, 2.10, 0.01);
    gateIndex = 5;
    step(Puertas[4][0], 1.8f, Puertas[4][2], 0);
    EXPECT_NEAR(dx, -0.93, 0.01);
}

TEST_F(Autopilot, HeadingErrorIsNotReducedSoTheTurnAfterRowOneGoesTheLongWay) {
    gateIndex = 2;
    step(Puertas[1][0], 1.8f, Puertas[1][2], -1.57f);
    EXPECT_NEAR(dx, 3.67, 0.01);
    EXPECT_GT(cmdYaw, 0);
    // Bearing 3.0 against heading -3.0: 6 rad up rather than 0.28 down.
    gateIndex = 0;
    stepAtOffset(0, -1, float(std::tan(M_PI - 3.0)), -3.0f);
    EXPECT_NEAR(dx, 6.0, 1e-5);
}

TEST_F(Autopilot, TurningLocksOnBelowTwoMilliradiansAndFliesFromTheNextPass) {
    const float bearing = float(std::atan(double(3.0f) / double(0.95f)));
    step(0, 1.8f, 0, bearing - 0.0021f);
    EXPECT_EQ(apState, 1);
    step(0, 1.8f, 0, bearing - 0.0019f);
    EXPECT_EQ(apState, 2);
    EXPECT_EQ(cmdVert, 0.0f);
    EXPECT_EQ(cmdFwd, 0.0f);
    step(0, 1.0f, 0, bearing);
    EXPECT_NE(cmdVert, 0.0f);
    EXPECT_NE(cmdFwd, 0.0f);
}

TEST_F(Autopilot, StateTwoLocksTheHeadingWithinPointSixOfTheRowAlongZ) {
    apState = 2;
    gateIndex = 6;  // the dock, whose z is 0
    struct Case {
        float offZ, bearing;
    };
    const Case cases[] = {{0.5f, 1.57f}, {-0.5f, -1.57f}, {0.0f, -1.57f}, {0.6f, 0}, {-0.6f, 0}, {0.7f, 0}, {-0.7f, 0}};
    for (const Case &c : cases) {
        stepAtOffset(6, 1.0f, c.offZ, 0);
        const float unlocked = float(std::atan(double(c.offZ) / 1.0));
        EXPECT_EQ(dx, c.bearing != 0 ? c.bearing : unlocked) << c.offZ;
    }
}

TEST_F(Autopilot, StateTwoHeadingPidSumsErrorsAndStateOneClearsTheSum) {
    apState = 2;
    gateIndex = 6;
    stepAtOffset(6, 0.0005f, 3, 0.5f);  // below the lateral bound
    const float dx1 = dx;
    EXPECT_EQ(cmdYaw, float(10.0 * dx1 + dx1));
    EXPECT_EQ(ISum3, dx1);
    EXPECT_EQ(Pdx, dx1);
    stepAtOffset(6, 0.0005f, 3, 0.4f);
    const float dx2 = dx;
    EXPECT_EQ(cmdYaw, float(10.0 * dx2 + 0.1f * double(dx1) + (double(dx2) - dx1)));
    EXPECT_EQ(ISum3, float(double(dx1) + dx2));
    apState = 1;
    stepAtOffset(6, 0.0005f, 3, 0.4f);
    EXPECT_EQ(ISum3, 0.0f);
}

TEST_F(Autopilot, LateralCorrectionShiftsTheHeadingMemoryEveryPassOfStateTwo) {
    apState = 2;
    gateIndex = 6;
    // Heading 0 is the subtracting side, with or without the heading lock.
    stepAtOffset(6, 0.5f, 3, 0);
    EXPECT_EQ(Pdx, float(double(dx) - 0.5 - 2.5));
    stepAtOffset(6, 0.5f, 0.3f, 0);
    EXPECT_EQ(Pdx, float(double(dx) - 0.5 - 2.5));
    stepAtOffset(6, -0.5f, 3, 0.1f);
    EXPECT_EQ(Pdx, float(double(dx) - 0.5 - 2.5));
    stepAtOffset(6, 0.5f, 3, 0.1f);
    EXPECT_EQ(Pdx, float(double(dx) + 0.5 + 2.5));
    // The dock's x of 3.5 puts offsets on a grid of 2^-22: these are the
    // nearest ones on either side of the bound.
    stepAtOffset(6, 0.0010001f, 3, 0.1f);
    ASSERT_GT(offX, 0.001);
    EXPECT_EQ(Pdx, float(double(dx) + offX + 5.0 * offX));
    stepAtOffset(6, 0.0009999f, 3, 0.1f);
    ASSERT_LT(offX, 0.001);
    EXPECT_EQ(Pdx, dx);
}

TEST_F(Autopilot, ArrivalAdvancesToTheNextRowOnceAndOnlyInsideTheWindow) {
    apState = 2;
    gateIndex = 2;
    stepAtOffset(2, -0.4f, 0.05f, 0);  // the float nearest 0.4 is above it
    ASSERT_EQ(offX, -0.4f);
    gateIndex = 6;
    stepAtOffset(6, 0.3f, 0.1f, 0);  // likewise 0.1
    ASSERT_EQ(offZ, 0.1f);
    EXPECT_EQ(apState, 2);
    EXPECT_TRUE(fake::console.empty());
    gateIndex = 0;
    stepAtOffset(0, -0.3f, 0.05f, 0);
    EXPECT_EQ(apState, 1);
    EXPECT_EQ(gateIndex, 1);
    ASSERT_EQ(fake::console.size(), 1u);
    EXPECT_EQ(fake::console[0], "\nHe llegado a mi destino!!!\n");
}

TEST_F(Autopilot, DockingStartsWithinExactlyTwoOfRowFiveOnly) {
    apState = 2;
    gateIndex = 4;
    stepAtOffset(4, 0.5f, 0.5f, 0);
    EXPECT_EQ(apState, 2);
    gateIndex = 5;
    stepAtOffset(5, 0.0f, 2.0f, 0);
    EXPECT_EQ(dh, 2.0f);
    EXPECT_EQ(apState, 3);
    // Entry and arrival on one pass: the arrival wins.
    apState = 2;
    stepAtOffset(5, 0.3f, 0.05f, 0);
    EXPECT_EQ(apState, 1);
    EXPECT_EQ(gateIndex, 6);
    EXPECT_EQ(fake::console.size(), 1u);
}

TEST_F(Autopilot, StateThreeHoldsMinusHalfTurnAndClosesInAlongZ) {
    apState = 3;
    gateIndex = 5;
    stepAtOffset(5, 1.0f, 0.5f, -1.5f, 2.0f);
    EXPECT_EQ(Kpro, 4.0f);
    EXPECT_EQ(Kdifh, 180.0f);
    EXPECT_EQ(dx, float(-1.57 - double(-1.5f)));
    EXPECT_EQ(cmdYaw, float(10.0 * dx + dx));
    EXPECT_EQ(dy, float(double(2.2f) - 2.0));
    EXPECT_EQ(cmdVert, float(-(4.0 * dy + dy * 80.0)));
    EXPECT_EQ(dz, 0.5f);
    EXPECT_EQ(Pdz, dz);
    EXPECT_EQ(dh, float(std::sqrt(1.25)));
    EXPECT_EQ(cmdFwd, float(2.0 * dh + dh * 180.0));
    EXPECT_EQ(apState, 3);
}

// The same law steering to the dock, whose z of 0 lets any offset be exact.
TEST_F(Autopilot, StateThreeEndsAtTheFloatNearestOneCentimetre) {
    apState = 3;
    gateIndex = 6;
    stepAtOffset(6, 1.0f, 0.0100001f, -1.5f, 2.2f);
    EXPECT_EQ(apState, 3);
    stepAtOffset(6, 1.0f, -0.01f, -1.5f, 2.2f);  // just below 0.01 in magnitude
    EXPECT_EQ(apState, 4);
}

TEST_F(Autopilot, StateFourLinesUpInXAgainstStateThreesLastDistance) {
    apState = 4;
    gateIndex = 5;
    Pdh = 1.5f;  // state 3's last distance
    stepAtOffset(5, 0.5f, 0.0f, 0.0f, 2.2f);
    EXPECT_EQ(dh, 0.5f);
    EXPECT_EQ(cmdFwd, float(2.0 * 0.5 + (0.5 - 1.5) * 180.0));
    EXPECT_EQ(Kdif, 100.0f);
    EXPECT_EQ(Kdif2, 180.0f);
    // Row 5's x allows offsets on a grid of 2^-22 only: the nearest either side.
    stepAtOffset(5, -0.0010001f, 0.0f, 0.0f, 2.2f);
    ASSERT_GT(std::fabs(double(offX)), 0.001);
    EXPECT_EQ(apState, 4);
    stepAtOffset(5, 0.0009999f, 0.0f, 0.0f, 2.2f);
    ASSERT_LT(offX, 0.001);
    EXPECT_EQ(apState, 5);
    EXPECT_EQ(gateIndex, 6);
}

TEST_F(Autopilot, StateFiveClosesOnTheDockAndAnnouncesEveryPassWithinAMillimetre) {
    apState = 5;
    gateIndex = 6;
    Pdz = 0.004f;  // state 3's last z error, taken against row 5
    stepAtOffset(6, 0.0f, 2.0f, 1.57f, 2.2f);
    EXPECT_EQ(cmdFwd, float(4.0 * 2.0 + (2.0 - double(0.004f)) * 180.0));
    EXPECT_EQ(Kdif, 120.0f);
    EXPECT_EQ(dx, float(1.57 - double(1.57f)));
    stepAtOffset(6, 0.0f, 0.001f, 1.57f, 2.2f);  // the float nearest 0.001 is above it
    ASSERT_EQ(offZ, 0.001f);
    EXPECT_TRUE(fake::console.empty());
    for (int pass = 0; pass < 10; ++pass) stepAtOffset(6, 0.0f, -0.0009f, 1.57f, 2.2f);
    EXPECT_EQ(apState, 5);
    ASSERT_EQ(fake::console.size(), 10u);
    EXPECT_EQ(fake::console[9], "\nDocking COMPLETADO\n");
}

TEST_F(Autopilot, DockingGainsStayForTheRestOfTheRun) {
    apState = 3;
    gateIndex = 5;
    stepAtOffset(5, 1.0f, 1.0f, -1.57f, 2.2f);
    apState = 2;
    gateIndex = 0;
    stepAtOffset(0, 5.0f, 5.0f, 0, 1.0f);
    EXPECT_EQ(Kdifh, 180.0f);
    EXPECT_EQ(Kpro, 4.0f);
    EXPECT_EQ(cmdVert, float(-(4.0 * dy + double(dy) * 80.0)));
}

TEST_F(Autopilot, PastTheDockItKeepsSteeringToTheDock) {
    gateIndex = 7;
    stepAtOffset(6, 1.0f, 1.0f, 0);
    EXPECT_NEAR(dx, M_PI / 4, 1e-6);
    EXPECT_EQ(gateIndex, 7);
}

TEST_F(Autopilot, AltitudeLawPushesUpWhenBelowTheRow) {
    apState = 2;
    stepAtOffset(0, 5.0f, 5.0f, 0, 1.0f);
    EXPECT_EQ(dy, float(double(1.8f) - 1.0));
    EXPECT_EQ(cmdVert, float(-(2.0 * dy + dy * 80.0)));
    EXPECT_LT(cmdVert, 0);
}

}  // namespace
