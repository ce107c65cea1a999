#include "devices/wheels.h"

#include "controller.h"
#include "devices/gps.h"
#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>

namespace arena {
namespace {

struct Robot {
    test::Scene scene = test::Scene::from_file(WORLDS_DIR "/obstacle_room/scene.xml");
    int body = scene.body("ir_avoider");
    WheelsModel wheels{scene.actuator("ir_avoider_left"), scene.actuator("ir_avoider_right"), 0.05};

    std::array<float, 3> angles() {
        std::array<float, 3> a{};
        gps_euler(gps_matrix(scene.m, scene.d, body, -1).data(), a.data());
        return a;
    }
    void run(double seconds) {
        scene.step(int(std::lround(seconds / scene.m->opt.timestep)));
        mj_forward(scene.m, scene.d);
    }
};

TEST(Wheels, EqualSpeedsDriveStraightAheadAtWheelSpeedTimesRadius) {
    Robot r;
    const double x0 = r.scene.d->xpos[3 * r.body], z0 = r.scene.d->xpos[3 * r.body + 2];
    set_wheel_speeds(r.scene.m, r.scene.d, r.wheels, 100, 100);  // 5 rad/s
    r.run(2.0);
    const double dx = r.scene.d->xpos[3 * r.body] - x0, dz = r.scene.d->xpos[3 * r.body + 2] - z0;
    // The robot starts facing +x; 5 rad/s on wheels of 2.05 cm is 10.25 cm/s,
    // less the moment it takes to spin up.
    EXPECT_NEAR(dx, 0.205, 0.02);
    EXPECT_NEAR(dz, 0, 0.005);
    EXPECT_NEAR(r.angles()[1], 0, 0.05);
}

TEST(Wheels, OppositeSpeedsTurnOnTheSpotInTheirSense) {
    Robot r;
    const double x0 = r.scene.d->xpos[3 * r.body], z0 = r.scene.d->xpos[3 * r.body + 2];
    set_wheel_speeds(r.scene.m, r.scene.d, r.wheels, 20, -20);  // left forward: a right turn
    r.run(1.0);
    const float right_turn = r.angles()[1];
    EXPECT_GT(right_turn, 0.3);  // heading grows towards +z, to the right
    EXPECT_NEAR(r.scene.d->xpos[3 * r.body] - x0, 0, 0.01);
    EXPECT_NEAR(r.scene.d->xpos[3 * r.body + 2] - z0, 0, 0.01);
    set_wheel_speeds(r.scene.m, r.scene.d, r.wheels, -20, 20);
    r.run(2.0);
    EXPECT_LT(r.angles()[1], 0);
}

TEST(Wheels, TargetsAreClampedToTheActuatorsRange) {
    Robot r;
    set_wheel_speeds(r.scene.m, r.scene.d, r.wheels, 32767, -32768);
    EXPECT_EQ(r.scene.d->ctrl[r.wheels.left_actuator], 20);  // the scene's ctrlrange
    EXPECT_EQ(r.scene.d->ctrl[r.wheels.right_actuator], -20);
    // A robot whose manifest named no actuator is left alone.
    set_wheel_speeds(r.scene.m, r.scene.d, {-1, -1, 0.05}, 100, 100);
    EXPECT_EQ(r.scene.d->ctrl[r.wheels.left_actuator], 20);
}

}  // namespace
}  // namespace arena
