#include "devices/ray.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace arena {
namespace {

// Geoms of every primitive type scattered round an eye at the origin that
// looks along +x, some well inside a 30-degree cone, some at its edge, some
// behind; plus one geom the eye sits in.
const char* scattered_scene = R"(
<mujoco>
  <worldbody>
    <geom name="floor" type="plane" size="5 5 0.1" pos="0 -1 0" zaxis="0 1 0"/>
    <geom name="ahead" type="box" pos="3 0.2 0" size="0.2 0.3 0.2"/>
    <geom name="edge" type="sphere" pos="2 1.3 0" size="0.2"/>
    <geom name="side" type="capsule" pos="1 0 1.2" size="0.1 0.3"/>
    <geom name="far_side" type="cylinder" pos="0.3 0 3" size="0.3 0.2"/>
    <geom name="behind" type="ellipsoid" pos="-2 0 0" size="0.3 0.2 0.2"/>
    <geom name="around_eye" type="sphere" pos="0.1 0 0" size="0.5"/>
    <geom name="low" type="box" pos="4 -0.9 0.5" size="0.5 0.1 0.5"/>
  </worldbody>
</mujoco>)";

constexpr double kHalfAngle = 30 * M_PI / 180;

bool listed(const std::vector<int>& geoms, const test::Scene& s, const char* name) {
  return std::count(geoms.begin(), geoms.end(), mj_name2id(s.m, mjOBJ_GEOM, name)) == 1;
}

TEST(RayCone, KeepsWhatTheConeCanSeeAndDropsTheRest) {
  auto s = test::Scene::from_xml(scattered_scene);
  ASSERT_TRUE(s.m);
  const RayFilter all(s.m, -1);
  const mjtNum eye[3] = {0, 0, 0}, axis[3] = {1, 0, 0};
  const std::vector<int> in_view = geoms_in_cone(s.m, s.d, all, eye, axis, kHalfAngle);
  for (const char* kept : {"floor", "ahead", "edge", "around_eye", "low"}) EXPECT_TRUE(listed(in_view, s, kept)) << kept;
  for (const char* dropped : {"side", "far_side", "behind"}) EXPECT_FALSE(listed(in_view, s, dropped)) << dropped;
}

// Culling must never change what a ray hits: every ray inside the cone
// meets the same geom at the same distance against the culled list as
// against the whole scene.
TEST(RayCone, RaysInsideTheConeHitWhatTheyHitInTheWholeScene) {
  auto s = test::Scene::from_xml(scattered_scene);
  ASSERT_TRUE(s.m);
  const RayFilter all(s.m, -1);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(-1, 1);
  int hits = 0;
  for (int trial = 0; trial < 40; trial++) {
    // A new eye and axis each time, so the cone sweeps the scene.
    const mjtNum eye[3] = {0.3 * unit(rng), 0.3 * unit(rng), 0.3 * unit(rng)};
    mjtNum axis[3] = {1 + unit(rng), 0.6 * unit(rng), 1.5 * unit(rng)};
    mju_normalize3(axis);
    const std::vector<int> in_view = geoms_in_cone(s.m, s.d, all, eye, axis, kHalfAngle);
    for (int ray = 0; ray < 200; ray++) {
      mjtNum dir[3] = {axis[0] + 0.6 * unit(rng), axis[1] + 0.6 * unit(rng), axis[2] + 0.6 * unit(rng)};
      mju_normalize3(dir);
      if (std::acos(std::clamp(mju_dot3(dir, axis), -1.0, 1.0)) > kHalfAngle) continue;
      const RayHit whole = cast_ray(s.m, s.d, all, eye, dir);
      const RayHit culled = cast_ray(s.m, s.d, in_view, eye, dir);
      ASSERT_EQ(culled.geom, whole.geom) << "trial " << trial << " ray " << ray;
      ASSERT_EQ(culled.distance, whole.distance);
      hits += whole.geom >= 0;
    }
  }
  EXPECT_GT(hits, 1000);  // the rays met geoms, not only the sky
}

}  // namespace
}  // namespace arena
