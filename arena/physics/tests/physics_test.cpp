// The step rule is one rule, however the steps are begun; a placed body
// steps from where it was put; what MuJoCo would have printed or written to
// the current folder is queued, and a physics that cannot go on says why.
#include "arena/physics/physics.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "arena/world/scene.h"
#include "devices/custom_drive.h"
#include "scene_file.h"

namespace arena {
namespace {

// A craft that turns while it is pushed forward: where it ends depends on
// the orientation each step's push is turned with.
const char* kCraft = R"(
<mujoco>
  <option timestep="0.002" gravity="0 -9.81 0"/>
  <worldbody>
    <body name="craft" pos="0 1 0">
      <freejoint/>
      <geom type="sphere" size="0.1" contype="0" conaffinity="0" mass="2"/>
    </body>
  </worldbody>
</mujoco>)";

const std::array<float, 6> kPushAndTurn = {1, 19.62f, 0, 0, 0.05f, 0};  // forward, lift, about up

TEST(Physics, AnEarlyFirstHalfChangesNothing) {
    test::SceneFile file(kCraft);
    Scene scene(file.file());
    const int craft = scene.find(mjOBJ_BODY, "craft");
    Physics plain(scene.model()), early(scene.model());
    plain.hold(craft, kPushAndTurn);
    early.hold(craft, kPushAndTurn);
    for (int i = 0; i < 200; ++i) {
        plain.step();
        if (i % 3 == 0) {  // the arena begins a pass's first step while the controllers compute
            early.update_poses();
            early.begin_step();
            early.begin_step();
        }
        early.step();
    }
    ASSERT_GT(std::fabs(plain.data()->qpos[0]), 0.01) << "the push moved it";
    for (int i = 0; i < scene.model()->nq; ++i) EXPECT_EQ(plain.data()->qpos[i], early.data()->qpos[i]) << i;
}

TEST(Physics, APlacedBodyStepsFromWhereItWasPut) {
    test::SceneFile file(kCraft);
    Scene scene(file.file());
    const int craft = scene.find(mjOBJ_BODY, "craft");
    Physics p(scene.model());
    for (int i = 0; i < 10; ++i) p.step();  // falling
    p.begin_step();
    place_body(p.model(), p.data(), craft, 0, 5, 0, 0, 1, 0, 0);
    p.placed();
    EXPECT_EQ(p.data()->xpos[3 * craft + 1], 5.0) << "poses up to date for the samples";
    p.step();
    p.update_poses();
    const double dt = 0.002;
    EXPECT_NEAR(p.data()->xpos[3 * craft + 1], 5.0 - 9.81 * dt * dt, 1e-12) << "one step from rest at 5 m";
}

TEST(Physics, WarningsAreQueuedWithTheirTimeAndNeitherPrintedNorLogged) {
    test::SceneFile file(kCraft);
    Scene scene(file.file());
    Physics p(scene.model());
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(file.folder());
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5; ++i) p.step();
    mju_warning("something odd");  // as MuJoCo itself warns
    const std::string printed = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(cwd);
    EXPECT_EQ(p.take_messages(), std::vector<std::string>{"t = 0.010 s: MuJoCo: something odd"});
    EXPECT_TRUE(p.take_messages().empty()) << "each once";
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(std::filesystem::exists(file.folder() / "MUJOCO_LOG.TXT"));
}

// A crowd of balls on a floor, each ball a contact.
std::string balls(int n, const std::string& size) {
    std::string xml = "<mujoco>" + size + R"(<option timestep="0.002" gravity="0 -9.81 0"/><worldbody>
      <geom type="plane" size="5 5 0.1" zaxis="0 1 0"/>)";
    for (int i = 0; i < n; ++i) {
        xml += "<body pos=\"" + std::to_string(0.3 * i) +
               " 0.1 0\"><freejoint/><geom type=\"sphere\" size=\"0.1\"/></body>";
    }
    return xml + "</worldbody></mujoco>";
}

TEST(Physics, APhysicsThatCannotGoOnStopsWithItsReason) {
    const struct {
        const char* what;
        std::string xml;
        std::array<float, 6> push;
        const char* reason;
    } cases[] = {
        {"a NaN force", kCraft, {std::numeric_limits<float>::quiet_NaN(), 0, 0, 0, 0, 0}, "reset the world"},
        {"too few contacts", balls(5, "<size nconmax=\"3\"/>"), {}, "Increase nconmax above 3"},
        {"too few constraint rows", balls(5, "<size njmax=\"6\"/>"), {}, "Increase njmax above 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::SceneFile file(c.xml);
        Scene scene(file.file());
        try {
            Physics p(scene.model());
            p.hold(1, c.push);
            for (int i = 0; i < 10; ++i) p.step();
            ADD_FAILURE() << "went on";
        } catch (const PhysicsError& e) {
            EXPECT_NE(std::strstr(e.what(), c.reason), nullptr) << e.what();
        }
    }

    // An error raised deep inside a step (here from MuJoCo's control hook)
    // comes out of it, and the data's stack is whole for what follows.
    test::SceneFile file(kCraft);
    Scene scene(file.file());
    Physics p(scene.model());
    p.step();
    mjcb_control = [](const mjModel*, mjData*) { mju_error("deep inside"); };
    try {
        p.step();
        ADD_FAILURE() << "went on";
    } catch (const PhysicsError& e) {
        EXPECT_STREQ(e.what(), "t = 0.002 s: MuJoCo error: deep inside");
    }
    mjcb_control = nullptr;
    EXPECT_EQ(p.data()->pstack, 0);
    p.update_poses();
}

}  // namespace
}  // namespace arena
