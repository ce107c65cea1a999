// pose_stepper: the positions it places its robot at, as the single-precision
// running totals of 0.1 that they are, including where 0.1 stops counting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "run_scenario.h"

namespace {

struct Move {
    int step;
    float x, y, z;
    std::vector<std::string> orientation;
};

// Runs `steps` steps, writing only the listed ranges of steps.
std::vector<Move> moves(long long steps, const std::vector<std::pair<long long, long long>>& ranges) {
    std::string scenario = "steps " + std::to_string(steps) + "\n";
    for (const auto& [first, last] : ranges) {
        scenario += "trace " + std::to_string(first) + " " + std::to_string(last) + "\n";
    }
    const script::Result r = script::run(script::scripted("pose_stepper"), scenario);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.calls.empty() ? "" : r.calls.back().name, "end");
    std::vector<Move> out;
    for (const script::Call& c : script::calls_named(r, "custom_robot_move")) {
        out.push_back({c.step, std::strtof(c.args[0].c_str(), nullptr), std::strtof(c.args[1].c_str(), nullptr),
                       std::strtof(c.args[2].c_str(), nullptr),
                       std::vector<std::string>(c.args.begin() + 3, c.args.end())});
    }
    return out;
}

// Whether the traced steps from first to last each made exactly one move.
void expect_one_move_per_step(const std::vector<Move>& m, long long first, long long last) {
    ASSERT_EQ(m.size(), static_cast<std::size_t>(last - first + 1));
    for (std::size_t i = 0; i < m.size(); ++i) EXPECT_EQ(m[i].step, first + static_cast<long long>(i));
}

TEST(Positions, AreSinglePrecisionRunningTotalsOfOneTenth) {
    // Step k places the robot after k + 1 additions.
    const std::vector<Move> m = moves(10000, {{0, 2}, {9, 9}, {99, 99}, {999, 999}, {9999, 9999}});
    ASSERT_EQ(m.size(), 7u);
    const float expected[] = {0.100000001f, 0.200000003f, 0.300000012f, 1.00000012f,
                              10.0000019f,  99.9990463f,  999.902893f};
    for (std::size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].x, expected[i]) << "step " << m[i].step;
        EXPECT_EQ(m[i].y, m[i].x);
        EXPECT_EQ(m[i].z, m[i].x);
        EXPECT_EQ(m[i].orientation, (std::vector<std::string>{"0", "1", "0", "0"}));
    }
}

TEST(Positions, ResetDoesNothingAndEveryRunMovesOnceAndReturns64) {
    const script::Result r = script::run(script::scripted("pose_stepper"), "steps 2\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(script::lines(r), (std::vector<std::string>{
                                    "0 robot_live",
                                    "0 robot_run",
                                    "0 custom_robot_move 0.100000001 0.100000001 0.100000001 0 1 0 0",
                                    "0 run_returned 64",
                                    "1 custom_robot_move 0.200000003 0.200000003 0.200000003 0 1 0 0",
                                    "1 run_returned 64",
                                    "2 end",
                                }));
}

// From 2^19 on the spacing of floats is 0.0625, so a sum landing there
// rounds 0.1 to 0.125; just below it the spacing is 0.03125 and 0.1 rounds
// to 0.09375.
TEST(Positions, FromHalfAMillionOnEachStepAdds0125) {
    const long long first = 5490790, last = 5490830;  // about where 524288 is crossed
    const std::vector<Move> m = moves(last + 1, {{first, last}});
    expect_one_move_per_step(m, first, last);
    ASSERT_LT(m.front().x, 524288.0f);
    ASSERT_GE(m.back().x, 524288.0f);
    for (std::size_t i = 1; i < m.size(); ++i) {
        const float step = m[i].x - m[i - 1].x;
        EXPECT_EQ(step, m[i].x >= 524288.0f ? 0.125f : 0.09375f) << "after " << m[i - 1].x;
        EXPECT_EQ(m[i].y, m[i].x);
        EXPECT_EQ(m[i].z, m[i].x);
    }
}

// At 2^21 the spacing is 0.25 and 0.1 is less than half of it: the sum
// stops growing there, and the robot is still placed every step.
TEST(Positions, Reach2097152After18073720StepsAndStayThere) {
    const long long reached = 18073720 - 1;  // the step of the 18073720th addition
    const std::vector<Move> m = moves(reached + 8, {{reached - 2, reached + 7}});
    expect_one_move_per_step(m, reached - 2, reached + 7);
    EXPECT_EQ(m[0].x, 2097151.75f);
    EXPECT_EQ(m[1].x, 2097151.875f);
    for (std::size_t i = 2; i < m.size(); ++i) {
        EXPECT_EQ(m[i].x, 2097152.0f) << "step " << m[i].step;
        EXPECT_EQ(m[i].y, 2097152.0f);
        EXPECT_EQ(m[i].z, 2097152.0f);
        EXPECT_EQ(m[i].orientation, (std::vector<std::string>{"0", "1", "0", "0"}));
    }
}

}  // namespace
