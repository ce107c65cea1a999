#include "devices/camera.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

namespace arena {
namespace {

// A camera inside its robot's own box, looking along +x at a red box 1 m
// ahead, with a blue box ahead and to its right (+z), a green floor below
// and sky above.
const char* view_scene = R"(
<mujoco>
  <worldbody>
    <geom name="floor" type="plane" size="5 5 0.1" pos="0 -0.3 0" zaxis="0 1 0" rgba="0.1 0.7 0.2 1"/>
    <geom name="red" type="box" pos="1.1 0 0" size="0.1 0.1 0.1" rgba="0.8 0.1 0.1 1"/>
    <geom name="blue" type="box" pos="1.1 0 0.4" size="0.1 0.1 0.1" rgba="0.1 0.1 0.9 1"/>
    <body name="bot">
      <geom type="box" size="0.05 0.05 0.05" rgba="1 1 1 1"/>
      <site name="eye"/>
    </body>
  </worldbody>
</mujoco>)";

struct Pixel {
    int r, g, b;
};

Pixel at(const std::vector<std::uint8_t>& image, int width, int row, int col) {
    const std::size_t i = 3 * (std::size_t(row) * width + col);
    return {image[i], image[i + 1], image[i + 2]};
}

TEST(Camera, SeesColouredBoxesWhereTheyAreWithFloorBelowAndSkyAbove) {
    auto s = test::Scene::from_xml(view_scene);
    const CameraModel camera{s.site("eye"), 64, 48, 60.0};
    const auto image = render_camera(s.m, s.d, camera, s.body("bot"));
    ASSERT_EQ(image.size(), 64u * 48 * 3);

    // The red face is met almost head-on, so it shows nearly its full colour.
    const Pixel centre = at(image, 64, 24, 32);
    EXPECT_NEAR(centre.r, 204, 1);
    EXPECT_NEAR(centre.g, 26, 1);
    EXPECT_NEAR(centre.b, 26, 1);
    // 0.4 m right at 1 m is column (0.4 / tan 30 + 1) / 2 * 64, about 54.
    const Pixel right = at(image, 64, 24, 54);
    EXPECT_GT(right.b, 2 * right.r);
    const Pixel left = at(image, 64, 24, 10);  // nothing on the left: sky
    const Pixel top = at(image, 64, 0, 32);
    EXPECT_EQ(left.r, top.r);
    EXPECT_EQ(left.b, top.b);
    EXPECT_GT(top.b, top.r);
    const Pixel bottom = at(image, 64, 47, 32);  // the floor, seen obliquely: darker green
    EXPECT_GT(bottom.g, 2 * bottom.r);
    EXPECT_LT(bottom.g, 179);
}

TEST(Camera, ImageSizeFollowsTheModel) {
    auto s = test::Scene::from_xml(view_scene);
    EXPECT_EQ(render_camera(s.m, s.d, {s.site("eye"), 7, 3, 90.0}, s.body("bot")).size(), 7u * 3 * 3);
    EXPECT_TRUE(render_camera(s.m, s.d, {s.site("eye"), 0, 3, 90.0}, s.body("bot")).empty());
}

}  // namespace
}  // namespace arena
