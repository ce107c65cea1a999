// The two avoiders drive five simulated minutes around the room without ever
// touching a wall or an obstacle, and really get around.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(ObstacleRoom, AvoidersDriveFiveMinutesWithoutTouchingWallsOrObstacles) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", world("obstacle_room").string(), "--duration", "300", "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json summary = read_summary(rec);
    EXPECT_EQ(summary["duration"], 300.0);
    for (const char* robot : {"ir_avoider", "camera_avoider"}) {
        SCOPED_TRACE(robot);
        EXPECT_EQ(summary["steps"][robot], 4688);  // 64 ms steps from 0 to 299.968 s
        EXPECT_EQ(summary["exits"][robot]["how"], "stopped");
        // Walls and obstacles are the world body's geoms; the floor is a
        // plane and never listed. Touching the other robot is not the fault
        // this test is about.
        for (const auto& contact : summary["contacts"][robot]) {
            EXPECT_NE(contact["body"], "world") << "touched " << contact["geom"] << " at t = " << contact["time"];
        }

        std::vector<Pose> poses = read_poses(rec, robot);
        ASSERT_GT(poses.size(), 4000u);
        double path = 0, min_x = 1e9, max_x = -1e9, min_z = 1e9, max_z = -1e9;
        for (std::size_t i = 1; i < poses.size(); ++i) {
            const auto& a = poses[i - 1].position;
            const auto& b = poses[i].position;
            path += std::hypot(b[0] - a[0], b[2] - a[2]);
            min_x = std::min(min_x, b[0]);
            max_x = std::max(max_x, b[0]);
            min_z = std::min(min_z, b[2]);
            max_z = std::max(max_z, b[2]);
        }
        // Real distance, and not back and forth on one line: the room is 2 m
        // across.
        EXPECT_GT(path, 5.0);
        EXPECT_GT(max_x - min_x, 0.8);
        EXPECT_GT(max_z - min_z, 0.8);
    }
    // The camera avoider fetches its image every step.
    auto trace = read_trace(rec, "camera_avoider");
    EXPECT_EQ(trace.back()["samples"]["camera"]["fetched"], true);
}

}  // namespace
}  // namespace worlds_test
