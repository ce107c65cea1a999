#include "devices/distance_sensor.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

namespace arena {
namespace {

// A robot at the origin facing +x, its sensor 5 cm ahead of its centre and a
// wheel of its own right in front of the sensor; a wall whose face is at
// x = 0.45, so 0.40 m from the sensor.
const char* wall_scene = R"(
<mujoco>
  <option gravity="0 -9.81 0"/>
  <worldbody>
    <geom name="wall" type="box" pos="0.5 0 0" size="0.05 1 1"/>
    <body name="bot">
      <geom type="box" size="0.05 0.02 0.04"/>
      <site name="ir" pos="0.05 0 0"/>
      <body name="wheel" pos="0.08 0 0">
        <geom type="sphere" size="0.02"/>
      </body>
    </body>
  </worldbody>
</mujoco>)";

DistanceSensorModel sensor(int site, double range, std::vector<std::array<double, 2>> lookup, double noise = 0) {
    return {site, range, std::move(lookup), noise};
}

TEST(DistanceSensor, WallAtKnownDistanceReadsThroughTheLookupAndIgnoresOwnGeoms) {
    auto s = test::Scene::from_xml(wall_scene);
    std::mt19937_64 rng(1);
    // 0.40 m on a table from 1000 at 0 to 0 at 1 m: 600.
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 1.0, {{0, 1000}, {1, 0}}), s.body("bot"), rng), 600);
    // Between the middle points of a three-point table: 0.40 is halfway 0.3..0.5.
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 1.0, {{0, 1000}, {0.3, 400}, {0.5, 200}, {1, 0}}),
                            s.body("bot"), rng),
              300);
}

TEST(DistanceSensor, NothingWithinRangeReadsTheValueAtRange) {
    auto s = test::Scene::from_xml(wall_scene);
    std::mt19937_64 rng(1);
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 0.3, {{0, 1000}, {0.3, 100}}), s.body("bot"), rng), 100);
    // A table that stops short of the range holds its last reading.
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 0.3, {{0, 1000}, {0.2, 50}}), s.body("bot"), rng), 50);
}

TEST(DistanceSensor, ReadingsClampToSixteenBits) {
    auto s = test::Scene::from_xml(wall_scene);
    std::mt19937_64 rng(1);
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 1.0, {{0, 1e6}, {1, 1e6}}), s.body("bot"), rng), 65535);
    EXPECT_EQ(read_distance(s.m, s.d, sensor(s.site("ir"), 1.0, {{0, -5}, {1, -5}}), s.body("bot"), rng), 0);
}

TEST(DistanceSensor, NoiseIsSeededAndCentredOnTheTrueReading) {
    auto s = test::Scene::from_xml(wall_scene);
    const auto noisy = sensor(s.site("ir"), 1.0, {{0, 1000}, {1, 0}}, 10.0);
    std::mt19937_64 a(7), b(7);
    double sum = 0;
    bool varies = false;
    std::uint16_t first = 0;
    for (int i = 0; i < 1000; i++) {
        const auto ra = read_distance(s.m, s.d, noisy, s.body("bot"), a);
        EXPECT_EQ(ra, read_distance(s.m, s.d, noisy, s.body("bot"), b));
        if (i == 0) first = ra;
        varies |= ra != first;
        sum += ra;
    }
    EXPECT_TRUE(varies);
    EXPECT_NEAR(sum / 1000, 600, 2);
}

TEST(LookupTable, ClampsAtBothEnds) {
    const std::vector<std::array<double, 2>> table{{0.02, 900}, {0.1, 100}};
    EXPECT_EQ(lookup_reading(table, 0.0), 900);
    EXPECT_EQ(lookup_reading(table, 0.5), 100);
    EXPECT_DOUBLE_EQ(lookup_reading(table, 0.06), 500);
    EXPECT_EQ(lookup_reading({}, 0.06), 0);
}

}  // namespace
}  // namespace arena
