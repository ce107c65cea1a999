// pose_stepper's running totals, placed on a mocap body and read back from
// poses.csv, show single-precision accumulation exactly.
#include <gtest/gtest.h>

#include <cmath>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(Diagonal, RecordedPositionsAreTheSinglePrecisionTotals) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", world("diagonal").string(), "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Pose> poses = read_poses(rec, "stepper");
    const std::pair<int, float> expected[] = {
        {1, 0.100000001f}, {2, 0.200000003f}, {3, 0.300000012f}, {10, 1.00000012f}, {100, 10.0000019f}};
    for (auto [step, value] : expected) {
        // The move of step k is applied when the step ends and shows in the
        // pose recorded at the next wake, k * 64 ms.
        double t = step * 0.064;
        auto it = std::find_if(poses.begin(), poses.end(), [&](const Pose& p) { return std::fabs(p.time - t) < 1e-9; });
        ASSERT_NE(it, poses.end()) << "no pose at t = " << t;
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(it->position[std::size_t(axis)], double(value)) << "step " << step << " axis " << axis;
        }
    }
}

}  // namespace
}  // namespace worlds_test
