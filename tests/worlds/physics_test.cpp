// The physics holds whatever the controllers send and however crowded the
// world: a crowd keeps its wheels on the floor, commands the physics cannot
// take are refused and their robot rests while the others go on, a world
// whose buffers overflow is an error, and MuJoCo writes nothing into the
// user's folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "recording.h"

namespace worlds_test {
namespace {

// Runs the arena from inside a fresh folder, as a user would from theirs.
struct RunInFolder {
    TempDir tmp;
    std::filesystem::path rec = tmp.path() / "rec";
    ArenaResult result;

    explicit RunInFolder(const std::string& world) {
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(tmp.path());
        result = run_arena({"run", test_world(world).string(), "--record", rec.string()});
        std::filesystem::current_path(cwd);
    }
    bool left_a_log() const { return std::filesystem::exists(tmp.path() / "MUJOCO_LOG.TXT"); }
};

TEST(Physics, AHundredWheeledRobotsKeepTheirWheelsOnTheFloor) {
    RunInFolder run("crowd");
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_TRUE(read_summary(run.rec)["error"].is_null());
    double travelled = 0;
    for (int i = 0; i < 100; ++i) {
        const std::string name = "r" + std::to_string(i / 10) + std::to_string(i % 10);
        SCOPED_TRACE(name);
        const std::vector<Pose> poses = read_poses(run.rec, name);
        ASSERT_GT(poses.size(), 30u);
        for (const Pose& p : poses) ASSERT_NEAR(p.position[1], 0.0205, 0.002) << "at t = " << p.time;
        travelled = std::max(travelled, std::hypot(poses.back().position[0] - poses.front().position[0],
                                                   poses.back().position[2] - poses.front().position[2]));
    }
    EXPECT_GT(travelled, 0.05) << "the robots drove";
    EXPECT_FALSE(run.left_a_log());
}

TEST(Physics, CommandsThePhysicsCannotTakeAreRefusedOnceAndTheOthersGoOn) {
    RunInFolder run("refused");
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    const auto lines = read_console(run.rec);
    // Each refused in its 3rd step, handed its samples at 2 x 64 ms.
    EXPECT_EQ(texts(lines, "nan_force", "arena"),
              std::vector<std::string>{"commands refused at t = 0.128 s: force (nan, 0, 0) is not "
                                       "finite; its robot is at rest"});
    EXPECT_EQ(texts(lines, "huge_move", "arena"),
              std::vector<std::string>{"commands refused at t = 0.128 s: move to (0, 1e+38, 0) is "
                                       "beyond 10000 m; its robot is at rest"});
    // The world was not reset: the stepper shows all 16 moves.
    EXPECT_NEAR(read_poses(run.rec, "stepper").back().position[0], 1.6, 1e-5);
    const std::vector<Pose> pushed = read_poses(run.rec, "nan_force");
    EXPECT_GT(pushed.back().position[0], -1.0) << "pushed before the refusal";
    for (const char* robot : {"nan_force", "huge_move"}) {
        for (const Pose& p : read_poses(run.rec, robot))
            EXPECT_NEAR(p.position[1], 0.1, 0.01) << robot << " at " << p.time;
    }
    EXPECT_FALSE(run.left_a_log());
}

TEST(Physics, AWorldWhoseContactBufferOverflowsIsAnError) {
    RunInFolder run("overflow");
    EXPECT_EQ(run.result.status, 2);
    ASSERT_FALSE(run.result.err.empty());
    EXPECT_NE(run.result.err.find("overflow/scene.xml: t = 0.000 s: the physics cannot go on: Pre-allocated contact "
                                  "buffer is full. Increase nconmax above 2."),
              std::string::npos)
        << run.result.err;
    const nlohmann::json summary = read_summary(run.rec);
    EXPECT_NE(summary["error"].get<std::string>().find("Increase nconmax"), std::string::npos);
    EXPECT_FALSE(run.left_a_log());
}

}  // namespace
}  // namespace worlds_test
