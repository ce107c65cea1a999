#include "course/course_figures.h"

#include <gtest/gtest.h>

#include <string>

#include "scene_loader.h"

namespace {

// A ball that coasts along +z at 1 m/s through two gates: a wide one at
// z = 0 with the ball 0.3 right of and 0.1 above its centre, and a narrow
// one at z = 0.5 that the ball misses. A post stands in the way at z = 2.
const char* kScene = R"(
<mujoco>
  <option gravity="0 0 0" timestep="0.01"/>
  <worldbody>
    <body name="craft" pos="0.3 1.9 -1">
      <freejoint/>
      <inertial pos="0 0 0" mass="1" diaginertia="1 1 1"/>
      <geom name="ball" type="sphere" size="0.05"/>
    </body>
    <body name="wide" pos="0 1.8 0">
      <site name="wide_opening" type="box" size="0.9 0.6 0.005"/>
    </body>
    <body name="narrow" pos="0 1.8 0.5">
      <site name="narrow_opening" type="box" size="0.1 0.1 0.005"/>
    </body>
    <body name="dock" pos="0.3 1.9 1.5"/>
    <geom name="post" type="box" pos="0.3 1.9 2.2" size="0.1 0.1 0.1"/>
  </worldbody>
</mujoco>)";

// The scene, with the ball already coasting.
struct Sim : arena::test::Scene {
    Sim() : Scene(from_xml(kScene)) {
        d->qvel[2] = 1.0;  // free joint: linear velocity first
        mj_forward(m, d);
    }
};

arena::CourseSpec spec() { return {"craft", {"wide", "narrow"}, "dock", 0}; }

TEST(CourseFigures, GateCrossingTimeAndOffsetAreInterpolatedBetweenSteps) {
    Sim sim;
    arena::CourseFigures figures(sim.m, sim.d, spec(), sim.body("craft"));
    for (int i = 0; i < 170; ++i) {
        mj_step(sim.m, sim.d);
        figures.observe(sim.m, sim.d);
    }
    const nlohmann::json j = figures.to_json();
    const auto& wide = j["gates"][0];
    ASSERT_TRUE(wide["crossed"].get<bool>());
    EXPECT_NEAR(wide["time"].get<double>(), 1.0, 1e-6);
    EXPECT_NEAR(wide["offset"][0].get<double>(), 0.3, 1e-6);
    EXPECT_NEAR(wide["offset"][1].get<double>(), 0.1, 1e-6);

    const auto& narrow = j["gates"][1];
    EXPECT_FALSE(narrow["crossed"].get<bool>());
    EXPECT_EQ(narrow["outside_crossings"].get<int>(), 1);
    EXPECT_FALSE(j["touched"].get<bool>());
}

TEST(CourseFigures, DockingLineGivesTimeAndDistanceFromTheDock) {
    Sim sim;
    arena::CourseFigures figures(sim.m, sim.d, spec(), sim.body("craft"));
    for (int i = 0; i < 200; ++i) {  // the ball is at z = 1.0, 0.5 short of the dock
        mj_step(sim.m, sim.d);
        figures.observe(sim.m, sim.d);
    }
    mj_forward(sim.m, sim.d);
    figures.console_line(sim.d, "someone_else", "Docking COMPLETADO");
    figures.console_line(sim.d, "craft", "Docking COMPLETADO");
    mj_step(sim.m, sim.d);
    mj_forward(sim.m, sim.d);
    figures.console_line(sim.d, "craft", "Docking COMPLETADO");  // only the first counts
    const nlohmann::json docking = figures.to_json()["docking"];
    ASSERT_TRUE(docking.is_object());
    EXPECT_NEAR(docking["time"].get<double>(), 2.0, 1e-9);
    EXPECT_NEAR(docking["distance"].get<double>(), 0.5, 1e-6);
}

TEST(CourseFigures, TouchingAnythingIsReportedWithTheGeom) {
    Sim sim;
    arena::CourseFigures figures(sim.m, sim.d, spec(), sim.body("craft"));
    for (int i = 0; i < 400; ++i) {
        mj_step(sim.m, sim.d);
        figures.observe(sim.m, sim.d);
    }
    const nlohmann::json j = figures.to_json();
    EXPECT_TRUE(j["touched"].get<bool>());
    ASSERT_FALSE(j["first_contacts"].empty());
    EXPECT_EQ(j["first_contacts"][0]["geom"], "post");
    EXPECT_NEAR(j["first_contacts"][0]["time"].get<double>(), 3.05, 0.02);
}

TEST(CourseFigures, MissingGateSiteOrBodyIsNamed) {
    Sim sim;
    const int craft = sim.body("craft");
    try {
        arena::CourseFigures({sim.m, sim.d, {"craft", {"dock"}, "dock", 0}, craft});
        FAIL() << "a gate without an opening site was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("\"dock\" has no box site"), std::string::npos);
    }
    try {
        arena::CourseFigures({sim.m, sim.d, {"craft", {"wide"}, "harbour", 0}, craft});
        FAIL() << "a missing dock body was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("\"harbour\""), std::string::npos);
    }
}

}  // namespace
