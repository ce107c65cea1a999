// A free body placed by its controller falls from where it was placed: the
// physics step after a move must not reuse anything worked out for the pose
// before it (here, the floor's support of the resting block).
#include <gtest/gtest.h>

#include <cmath>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(PlacedFall, APlacedBlockFallsFreelyFromWhereItWasPlaced) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("placed_fall").string(), "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Pose> poses = read_poses(rec, "block");
    // Placed at rest at 0.1 (single precision) when the first step ends,
    // then eight 8 ms steps of semi-implicit Euler: the drop is
    // g dt^2 (1 + 2 + ... + 8).
    const double dt = 0.008, placed = double(0.1f), fallen = placed - 9.81 * dt * dt * 36;
    auto it = std::find_if(poses.begin(), poses.end(), [](const Pose& p) { return std::fabs(p.time - 0.064) < 1e-9; });
    ASSERT_NE(it, poses.end());
    EXPECT_EQ(it->position[0], placed);
    EXPECT_NEAR(it->position[1], fallen, 1e-9);
    EXPECT_EQ(it->position[2], placed);
}

}  // namespace
}  // namespace worlds_test
