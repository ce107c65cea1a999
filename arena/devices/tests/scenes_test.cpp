// The worlds' scenes carry what their manifests name, and are laid out the
// way the end-to-end runs rely on.
#include "devices/custom_drive.h"
#include "devices/radio.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace arena {
namespace {

constexpr double all_around = 2 * std::numbers::pi;

// Whole physics steps make up both of the programs' step lengths.
void expect_whole_steps(const test::Scene& s) {
    for (const double ms : {32.0, 64.0}) {
        const double steps = ms / 1000 / s.m->opt.timestep;
        EXPECT_NEAR(steps, std::round(steps), 1e-9) << ms << " ms";
    }
}

TEST(Scenes, ObstacleRoomHasBothRobotsWithTheirSitesAndMotors) {
    auto s = test::Scene::from_file(WORLDS_DIR "/obstacle_room/scene.xml");
    ASSERT_NE(s.m, nullptr);
    expect_whole_steps(s);
    for (const std::string robot : {"ir_avoider", "camera_avoider"}) {
        EXPECT_GE(s.body(robot.c_str()), 0) << robot;
        for (const char* part : {"_ir0", "_ir1"}) EXPECT_GE(s.site((robot + part).c_str()), 0) << robot << part;
        for (const char* part : {"_left", "_right"}) EXPECT_GE(s.actuator((robot + part).c_str()), 0) << robot << part;
    }
    EXPECT_GE(s.site("camera_avoider_camera"), 0);
}

TEST(Scenes, IrLinkIsHeardInRangeOnlyAndNotBehindTheScreen) {
    auto s = test::Scene::from_file(WORLDS_DIR "/ir_link/scene.xml");
    ASSERT_NE(s.m, nullptr);
    expect_whole_steps(s);
    const EmitterModel beacon{s.site("beacon_emitter"), 1.0, all_around};
    ASSERT_GE(beacon.site, 0);
    const auto hears = [&](const std::string& robot) {
        const ReceiverModel rx{s.site((robot + "_ircom").c_str()), all_around};
        EXPECT_GE(rx.site, 0) << robot;
        return can_hear(s.m, s.d, beacon, s.body("beacon"), rx, s.body(robot.c_str()));
    };
    EXPECT_TRUE(hears("receiver"));
    EXPECT_TRUE(hears("listener"));
    EXPECT_FALSE(hears("shadowed"));
    EXPECT_FALSE(hears("distant"));
    EXPECT_GE(s.site("listener_ir0"), 0);
    EXPECT_GE(s.site("listener_ir1"), 0);
}

TEST(Scenes, DiagonalStepperCanBePlaced) {
    auto s = test::Scene::from_file(WORLDS_DIR "/diagonal/scene.xml");
    ASSERT_NE(s.m, nullptr);
    expect_whole_steps(s);
    EXPECT_TRUE(can_place(s.m, s.body("stepper")));
}

}  // namespace
}  // namespace arena
