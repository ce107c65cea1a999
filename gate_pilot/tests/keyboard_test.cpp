// The pilot's keys: the autopilot toggle and the manual commands.
#include "scenario.h"

#include <gtest/gtest.h>

namespace {

using pilot::atRest;
using pilot::expectForces;

// A craft at rest, level, at (0, 1.8, 0): the autopilot, when it flies,
// only turns toward gate 0, far enough off to give the full +2 yaw.
std::string atStart(int steps) { return pilot::header(steps) + "step 0\n" + pilot::gps(0, 0, 1.8f, 0); }

TEST(Keyboard, PairsTheFirstListedWinsAndDifferentPairsCombine) {
    const script::Result r = pilot::run(atStart(12) +
                                        "keys 80\n"  // pilot takes over on the first pass
                                        "step 2\nkeys 317 319\n"
                                        "step 3\nkeys 316 318\n"
                                        "step 4\nkeys 65 90\n"
                                        "step 5\nkeys 319\n"
                                        "step 6\nkeys 316\n"
                                        "step 7\nkeys 65\n"
                                        "step 8\nkeys 317 318\n"
                                        "step 10\nkeys 122 97 112\n"      // lower case does nothing
                                        "step 11\nkeys 66 66 66 317\n");  // nor a fourth code
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 12u);
    expectForces(f[2], atRest(2, 0, 0));
    expectForces(f[3], atRest(0, 2, 0));
    expectForces(f[4], atRest(0, 0, 2));
    expectForces(f[5], atRest(-2, 0, 0));
    expectForces(f[6], atRest(0, -2, 0));
    expectForces(f[7], atRest(0, 0, -2));
    expectForces(f[8], atRest(2, 2, 0));
    expectForces(f[9], atRest(0, 0, 0));
    expectForces(f[10], atRest(0, 0, 0));
    expectForces(f[11], atRest(0, 0, 0));
}

TEST(Keyboard, PFlipsTheAutopilotOncePerPassAndHandsOverCleanly) {
    const script::Result r = pilot::run(atStart(14) +
                                        "keys 80\n"
                                        "step 3\nkeys 80 80\n"        // on, once
                                        "step 5\nkeys 80 317\n"       // off: the key acts now
                                        "step 6\nkeys 66 66 66 80\n"  // P as the fourth code: on
                                        "step 8\nkeys 80\n"
                                        "step 9\nkeys 80\n"
                                        "step 10\nkeys 80\n"
                                        "step 11\nkeys 317\n"
                                        "step 12\nkeys 80 319\n");  // on: the key does nothing
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 14u);
    const pilot::Forces manualNone = atRest(0, 0, 0), autopilot = atRest(0, 2, 0);
    expectForces(f[2], manualNone);
    expectForces(f[3], manualNone);  // switched on: last pass's commands
    expectForces(f[4], autopilot);   // it flies from the next pass
    expectForces(f[5], atRest(2, 0, 0));
    expectForces(f[6], atRest(2, 0, 0));
    expectForces(f[7], autopilot);
    expectForces(f[8], manualNone);   // off
    expectForces(f[9], manualNone);   // on, keeping the last commands
    expectForces(f[10], manualNone);  // off again
    expectForces(f[11], atRest(2, 0, 0));
    expectForces(f[12], atRest(2, 0, 0));
    expectForces(f[13], autopilot);
}

TEST(Keyboard, TakingOverMidPassKeepsTheAutopilotsMessageAndState) {
    // At gate 0: turned toward it on pass 1 (where it lies at bearing 0), and
    // arriving on pass 2, the pass the pilot takes over.
    const script::Result r = pilot::run(pilot::header(5) + "step 0\n" + pilot::gps(0.5, 0.95f, 1.8f, 3.0f) +
                                        "step 1\n" + pilot::gps(0, 0.95f, 1.8f, 3.0f) +
                                        "step 2\nkeys 80 90\n"
                                        "step 3\nkeys 80\n");
    EXPECT_EQ(pilot::consoleOf(r, 2), std::vector<std::string>{pilot::arrivalLine});
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 5u);
    expectForces(f[2], atRest(0, 0, 2));
    expectForces(f[3], atRest(0, 0, 2));
    // Back on in state 1 for gate 1, which lies to the right (toward -z).
    expectForces(f[4], atRest(0, -2, 0));
}

}  // namespace
