// A scene whose options make no simulation is a bad world, named with its
// file, line and option; a scene's buffers are sized for its world, unless
// it sized them itself.
#include <gtest/gtest.h>

#include <algorithm>

#include "arena/physics/physics.h"
#include "arena/world/scene.h"
#include "arena/world/world_error.h"
#include "scene_file.h"

namespace arena {
namespace {

TEST(SceneLoad, OptionsThatMakeNoSimulationAreABadWorld) {
    const struct {
        const char* option;
        const char* message;
    } cases[] = {
        {R"(timestep="0")", ":3: option timestep = 0 must be above 0 and at most 1 s"},
        {R"(timestep="-0.002")", ":3: option timestep = -0.002 must be above 0 and at most 1 s"},
        {R"(timestep="nan")", ":3: option timestep = nan must be a finite number"},
        {R"(timestep="5")", ":3: option timestep = 5 must be above 0 and at most 1 s"},
        {R"(gravity="0 inf 0")", ":3: option gravity = 0 ... must be a finite number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        test::SceneFile file(std::string("<mujoco>\n  <worldbody/>\n  <option ") + c.option + "/>\n</mujoco>");
        try {
            Scene scene(file.file());
            ADD_FAILURE() << "loaded";
        } catch (const WorldError& e) {
            EXPECT_EQ(e.what(), file.file().string() + c.message);
        }
    }
    test::SceneFile nan_pos("<mujoco><worldbody><body pos=\"0 nan 0\"/></worldbody></mujoco>");
    EXPECT_THROW(Scene{nan_pos.file()}, WorldError);
}

TEST(SceneLoad, BuffersAreSizedForTheWorldUnlessTheSceneSizedThem) {
    Scene crowd(std::filesystem::path(TEST_WORLDS_DIR) / "crowd" / "scene.xml");
    // 100 wheeled robots resting on the floor: about 600 contacts at rest.
    Physics p(crowd.model());
    double lowest = 1;
    for (int i = 0; i < 250; ++i) {
        p.step();
        for (int b = 1; b < crowd.model()->nbody; ++b) lowest = std::min(lowest, p.data()->xpos[3 * b + 1]);
    }
    EXPECT_GT(lowest, 0.015) << "a wheel sank into the floor";

    test::SceneFile sized("<mujoco><size nconmax=\"150\"/><worldbody/></mujoco>");
    Scene own(sized.file());
    EXPECT_EQ(own.model()->nconmax, 150);
    EXPECT_EQ(own.model()->njmax, 500) << "not set: sized as for any world";
}

}  // namespace
}  // namespace arena
