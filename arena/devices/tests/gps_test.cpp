#include "devices/gps.h"

#include "controller.h"
#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace arena {
namespace {

constexpr double pi = std::numbers::pi;

// One body turned a quarter turn to face +z (a rotation of -90 degrees about
// y: heading grows from +x towards +z), one pitched nose-up by 30 degrees
// (about its z, its right axis), each with a site offset along its x.
const char* poses_scene = R"(
<mujoco>
  <worldbody>
    <body name="east" pos="1 2 3" axisangle="0 1 0 -90">
      <geom type="box" size="0.1 0.1 0.1"/>
      <site name="nose" pos="0.5 0 0"/>
    </body>
    <body name="climb" pos="0 1 0" axisangle="0 0 1 30">
      <geom type="box" size="0.1 0.1 0.1"/>
    </body>
  </worldbody>
</mujoco>)";

std::array<float, 3> euler(const std::array<float, 16>& m) {
    std::array<float, 3> angles{};
    gps_euler(m.data(), angles.data());
    return angles;
}

TEST(Gps, BodyFacingPlusZIsAColumnMajorTransformWithHeadingHalfPi) {
    auto s = test::Scene::from_xml(poses_scene);
    const auto m = gps_matrix(s.m, s.d, s.body("east"), -1);
    const float expected[16] = {0,  0, 1, 0,  // forward axis: world +z
                                0,  1, 0, 0,  // up stays up
                                -1, 0, 0, 0,  // right axis: world -x
                                1,  2, 3, 1};
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], expected[i], 1e-6) << "element " << i;
    EXPECT_NEAR(euler(m)[1], pi / 2, 1e-6);
}

TEST(Gps, SiteFrameAndPitchedBody) {
    auto s = test::Scene::from_xml(poses_scene);
    const auto nose = gps_matrix(s.m, s.d, s.body("east"), s.site("nose"));
    EXPECT_NEAR(nose[12], 1, 1e-6);
    EXPECT_NEAR(nose[13], 2, 1e-6);
    EXPECT_NEAR(nose[14], 3.5, 1e-6);  // half a metre ahead, and ahead is +z

    const auto climb = euler(gps_matrix(s.m, s.d, s.body("climb"), -1));
    EXPECT_NEAR(climb[1], 0, 1e-6);
    EXPECT_NEAR(climb[2], pi / 6, 1e-6);  // elevation
}

TEST(Gps, NoFrameReadsTheIdentity) {
    auto s = test::Scene::from_xml(poses_scene);
    const auto m = gps_matrix(s.m, s.d, -1, -1);
    for (int i = 0; i < 16; i++) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
}

}  // namespace
}  // namespace arena
