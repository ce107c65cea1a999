#include "devices/pixel_rays.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <random>

namespace arena {
namespace {

// Geoms of every primitive type scattered round a camera body near the
// origin: ahead, at the edges of any view, beside, behind, one the camera
// sits in, thin tilted posts and beams like a gate's, and a floor.
const char* scattered_scene = R"(
<mujoco>
  <worldbody>
    <geom name="floor" type="plane" size="5 5 0.1" pos="0 -1 0" zaxis="0 1 0"/>
    <geom type="box" pos="3 0.2 0" size="0.2 0.3 0.2"/>
    <geom type="sphere" pos="2 1.3 0" size="0.2"/>
    <geom type="capsule" pos="1 0 1.2" size="0.1 0.3"/>
    <geom type="cylinder" pos="0.3 0 3" size="0.3 0.2" euler="30 0 0"/>
    <geom type="ellipsoid" pos="-2 0 0" size="0.3 0.2 0.2"/>
    <geom type="sphere" pos="0.1 0 0" size="0.5"/>
    <geom type="box" pos="4 -0.9 0.5" size="0.5 0.1 0.5" euler="0 20 0"/>
    <geom type="box" pos="2.5 0.5 -1.5" size="0.05 1 0.05"/>
    <geom type="box" pos="1.5 -0.4 0.6" size="0.05 0.05 0.05"/>
    <geom type="box" pos="2 0 -0.6" size="0.03 1.2 0.03" euler="10 0 25"/>
    <geom type="box" pos="1.8 0.9 0.2" size="1 0.03 0.03" euler="0 40 5"/>
    <geom type="cylinder" pos="-0.5 0.3 0.9" size="0.05 1" euler="80 0 0"/>
    <geom type="capsule" pos="0.8 0.5 -0.3" size="0.05 0.6" euler="0 70 0"/>
    <body name="bot" pos="0 0 0">
      <freejoint/>
      <geom type="box" size="0.1 0.1 0.1"/>
      <site name="eye" pos="0.12 0 0"/>
    </body>
  </worldbody>
  <option gravity="0 0 0"/>
</mujoco>)";

// Sorting geoms into pixels must never change what a ray hits: from many
// poses and image shapes, every pixel's ray meets the same geom at the same
// distance against its pixel's geoms as against the whole scene. The bins
// must also leave most geoms out of most pixels, or they are no use.
TEST(PixelBins, EveryPixelHitsWhatItHitsInTheWholeSceneWithFewGeomsTried) {
    auto s = test::Scene::from_xml(scattered_scene);
    ASSERT_TRUE(s.m);
    const int bot = s.body("bot"), eye = s.site("eye");
    const RayFilter filter(s.m, bot);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(-1, 1);
    const int shapes[][2] = {{8, 6}, {1, 1}, {31, 7}, {64, 48}};
    long tried = 0, possible = 0, hits = 0;
    for (int trial = 0; trial < 60; trial++) {
        mjtNum* q = s.d->qpos;
        q[0] = 0.4 * unit(rng), q[1] = 0.4 * unit(rng), q[2] = 0.4 * unit(rng);
        q[3] = unit(rng), q[4] = 0.5 * unit(rng), q[5] = unit(rng), q[6] = 0.5 * unit(rng);
        mju_normalize4(q + 3);
        mj_kinematics(s.m, s.d);
        const auto& shape = shapes[trial % 4];
        const double fov = 20 + 140 * (unit(rng) + 1) / 2;  // 20 to 160 degrees
        const CameraView view(s.m, s.d, eye, shape[0], shape[1], fov);
        const PixelBins bins(s.m, s.d, filter, view);
        for (int row = 0; row < view.height; row++) {
            for (int col = 0; col < view.width; col++) {
                mjtNum dir[3];
                view.ray(col, row, dir);
                const RayHit whole = cast_ray(s.m, s.d, filter, view.from, dir);
                const RayHit binned = cast_ray(s.m, s.d, bins.at(col, row), view.from, dir);
                ASSERT_EQ(binned.geom, whole.geom) << "trial " << trial << " pixel " << col << "," << row;
                ASSERT_EQ(binned.distance, whole.distance);
                tried += long(bins.at(col, row).size());
                possible += s.m->ngeom;
                hits += whole.geom >= 0;
            }
        }
    }
    EXPECT_GT(hits, possible / s.m->ngeom / 2);  // the rays met geoms, not only the sky
    EXPECT_LT(tried, possible / 3);
}

// The cheap tests that spare MuJoCo's exact one (bounding spheres, a box's
// slabs, the side of a plane) may only ever drop misses: from random points
// in every direction, the nearest hit is the one MuJoCo's own mj_ray finds.
TEST(RayCasting, FindsWhatMuJoCoFindsFromAnywhereInAnyDirection) {
    auto s = test::Scene::from_xml(scattered_scene);
    ASSERT_TRUE(s.m);
    mj_kinematics(s.m, s.d);
    const int bot = s.body("bot");
    const RayFilter filter(s.m, bot);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(-1, 1);
    int hits = 0;
    for (int i = 0; i < 20000; i++) {
        const mjtNum from[3] = {3 * unit(rng), 1.5 * unit(rng), 3 * unit(rng)};
        mjtNum dir[3] = {unit(rng), unit(rng), unit(rng)};
        mju_normalize3(dir);
        int geom = -1;
        const mjtNum expected = mj_ray(s.m, s.d, from, dir, nullptr, 1, bot, &geom);
        const RayHit hit = cast_ray(s.m, s.d, filter, from, dir);
        ASSERT_EQ(hit.geom, geom) << "ray " << i;
        if (geom >= 0) {
            ASSERT_EQ(hit.distance, expected) << "ray " << i;
            hits++;
        }
    }
    EXPECT_GT(hits, 5000);  // many rays meet something, the floor if nothing else
}

TEST(PixelBins, PixelsLookWhereTheCameraLooks) {
    auto s = test::Scene::from_xml(scattered_scene);
    ASSERT_TRUE(s.m);
    mj_kinematics(s.m, s.d);
    const CameraView view(s.m, s.d, s.site("eye"), 3, 3, 90);
    mjtNum dir[3];
    view.ray(1, 1, dir);  // the middle pixel: straight ahead, +x
    EXPECT_NEAR(dir[0], 1, 1e-12);
    view.ray(0, 0, dir);  // top left: up (+y) and left (-z), 30 degrees off each axis at 90 across
    EXPECT_GT(dir[1], 0.4);
    EXPECT_LT(dir[2], -0.4);
    EXPECT_NEAR(dir[1], -dir[2], 1e-12);
}

}  // namespace
}  // namespace arena
