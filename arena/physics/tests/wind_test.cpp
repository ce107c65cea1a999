// Wind: gusts with the spread and the correlation time asked for, whatever
// the physics step, added to a robot's own push rather than replacing it.
#include "arena/physics/wind.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arena/physics/physics.h"
#include "arena/world/scene.h"
#include "scene_file.h"

namespace arena {
namespace {

struct Moments {
    double spread;  // standard deviation of the x gust
    double lagged;  // correlation of the x gust with itself time_scale later
};

// x of the gust on body 1 over many steps.
Moments measure(double gust, double time_scale, double dt) {
    Wind wind({{1, {0, 0, 0}, gust, time_scale}}, 11);
    const std::size_t lag = std::size_t(std::lround(time_scale / dt)), n = 400000;
    std::vector<double> x;
    for (std::size_t i = 0; i < n; ++i, wind.advance(dt)) x.push_back((*wind.force_on(1))[0]);
    double sum2 = 0, cross = 0;
    for (std::size_t i = 0; i < n; ++i) sum2 += x[i] * x[i];
    for (std::size_t i = 0; i + lag < n; ++i) cross += x[i] * x[i + lag];
    return {std::sqrt(sum2 / double(n)), (cross / double(n - lag)) / (sum2 / double(n))};
}

TEST(Wind, GustsHaveTheirStrengthAndTimeScaleAtAnyPhysicsStep) {
    for (double dt : {0.002, 0.008, 0.032}) {
        SCOPED_TRACE(dt);
        const Moments m = measure(0.5, 0.2, dt);
        EXPECT_NEAR(m.spread, 0.5, 0.05);
        EXPECT_NEAR(m.lagged, std::exp(-1.0), 0.08);  // correlated over about the time scale, then forgotten
    }
}

TEST(Wind, AddsToTheHeldPush) {
    test::SceneFile file(R"(
<mujoco>
  <option timestep="0.01" gravity="0 0 0"/>
  <worldbody>
    <body name="craft"><freejoint/><geom type="sphere" size="0.1" mass="1"/></body>
  </worldbody>
</mujoco>)");
    Scene scene(file.file());
    const int craft = scene.find(mjOBJ_BODY, "craft");
    Physics physics(scene.model());
    physics.blow(Wind({{craft, {0, 0, 2}, 0, 1}}, 1));
    physics.hold(craft, {1, 0, 0, 0, 0, 0});
    for (int i = 0; i < 100; ++i) physics.step();
    const mjtNum* v = physics.data()->qvel;
    EXPECT_NEAR(v[0], 1.0, 1e-9);  // 1 N for 1 s on 1 kg
    EXPECT_NEAR(v[2], 2.0, 1e-9);
}

}  // namespace
}  // namespace arena
