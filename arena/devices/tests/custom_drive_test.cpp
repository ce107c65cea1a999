#include "devices/custom_drive.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace arena {
namespace {

constexpr double pi = std::numbers::pi;

// No gravity, so only the applied push moves the 2 kg body. It starts facing
// +z (a quarter turn clockwise seen from above).
const char* free_scene = R"(
<mujoco>
  <option gravity="0 0 0" timestep="0.002"/>
  <worldbody>
    <body name="craft" axisangle="0 1 0 -90">
      <freejoint/>
      <geom type="sphere" size="0.1" contype="0" conaffinity="0"/>
      <inertial pos="0 0 0" mass="2" diaginertia="0.1 0.1 0.1"/>
    </body>
    <body name="fixed" pos="3 0 0">
      <geom type="box" size="0.1 0.1 0.1"/>
    </body>
    <body name="marker" mocap="true" pos="0 5 0">
      <geom type="box" size="0.1 0.1 0.1" contype="0" conaffinity="0"/>
    </body>
  </worldbody>
</mujoco>)";

void push_for(test::Scene& s, int body, const std::array<float, 6>& ft, double seconds) {
    for (int i = 0; i < int(std::lround(seconds / s.m->opt.timestep)); i++) {
        mj_step1(s.m, s.d);
        apply_relative_force_torque(s.m, s.d, body, ft);
        mj_step2(s.m, s.d);
    }
}

TEST(CustomDrive, ForceInRobotAxesAcceleratesAtFOverM) {
    auto s = test::Scene::from_xml(free_scene);
    const int craft = s.body("craft");
    push_for(s, craft, {1, 0, 0, 0, 0, 0}, 0.5);  // 1 N forward, and forward is +z
    const mjtNum* v = s.d->qvel;                  // free joint: linear velocity first, in world axes
    EXPECT_NEAR(v[0], 0, 1e-9);
    EXPECT_NEAR(v[1], 0, 1e-9);
    EXPECT_NEAR(v[2], 0.5 * 0.5, 1e-6);  // a = F/m = 0.5 m/s^2 for 0.5 s
}

TEST(CustomDrive, TorqueTurnsTheBodyAndTheForceTurnsWithIt) {
    auto s = test::Scene::from_xml(free_scene);
    const int craft = s.body("craft");
    push_for(s, craft, {0, 0, 0, 0, 0.05f, 0}, 0.5);  // about its up axis: alpha = 0.05 / 0.1
    EXPECT_NEAR(s.d->qvel[4], 0.5 * 0.5, 1e-6);       // angular velocity, in the body's axes

    // Spinning a whole turn per second while pushed forward: a push that turns
    // with the body cancels itself over the turn, a fixed one would reach 0.5 m/s.
    auto spin = test::Scene::from_xml(free_scene);
    spin.d->qvel[4] = 2 * pi;
    push_for(spin, craft, {1, 0, 0, 0, 0, 0}, 1.0);
    EXPECT_LT(std::hypot(spin.d->qvel[0], spin.d->qvel[1], spin.d->qvel[2]), 0.01);
}

TEST(CustomDrive, PlaceSetsPositionAndAxisAngleAndStopsTheBody) {
    auto s = test::Scene::from_xml(free_scene);
    const int craft = s.body("craft");
    push_for(s, craft, {1, 0, 0, 0, 0.05f, 0}, 0.2);
    place_body(s.m, s.d, craft, 1, 2, 3, 0, 2, 0, float(pi / 2));  // the axis need not be unit
    mj_forward(s.m, s.d);
    const mjtNum* p = s.d->xpos + 3 * craft;
    const mjtNum* q = s.d->xquat + 4 * craft;
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 3);
    EXPECT_NEAR(q[0], std::cos(pi / 4), 1e-6);
    EXPECT_NEAR(q[2], std::sin(pi / 4), 1e-6);
    for (int i = 0; i < 6; i++) EXPECT_EQ(s.d->qvel[i], 0) << "dof " << i;

    place_body(s.m, s.d, craft, 0, 0, 0, 0, 0, 0, 1.0f);  // no axis: no turn, whatever the angle
    mj_forward(s.m, s.d);
    EXPECT_EQ(s.d->xquat[4 * craft], 1);
}

TEST(CustomDrive, PlaceMovesAMocapBodyToTheExactSinglePrecisionValue) {
    auto s = test::Scene::from_xml(free_scene);
    const int marker = s.body("marker");
    ASSERT_TRUE(can_place(s.m, marker));
    place_body(s.m, s.d, marker, 0.1f, 0.2f, 0.3f, 0, 1, 0, 0);
    s.step(3);  // a mocap body stays where it was put
    mj_forward(s.m, s.d);
    EXPECT_EQ(s.d->xpos[3 * marker], double(0.1f));
    EXPECT_EQ(s.d->xpos[3 * marker + 1], double(0.2f));
    EXPECT_EQ(s.d->xpos[3 * marker + 2], double(0.3f));
}

TEST(CustomDrive, ABodyWithoutFreeJointOrMocapCannotBePlaced) {
    auto s = test::Scene::from_xml(free_scene);
    const int fixed = s.body("fixed");
    EXPECT_FALSE(can_place(s.m, fixed));
    EXPECT_FALSE(can_place(s.m, 0));  // the world
    place_body(s.m, s.d, fixed, 9, 9, 9, 0, 0, 0, 0);
    mj_forward(s.m, s.d);
    EXPECT_EQ(s.d->xpos[3 * fixed], 3);
}

}  // namespace
}  // namespace arena
