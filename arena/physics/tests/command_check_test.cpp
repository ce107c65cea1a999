// Commands that would wreck the physics are refused with a reason a user can
// act on; every command a real program sends passes.
#include "arena/physics/command_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace arena {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

struct Case {
    const char* what;
    std::optional<std::array<float, 6>> force_torque;
    std::optional<std::array<float, 7>> move;
    const char* refusal;  // part of the reason, or nullptr: accepted
};

TEST(CommandCheck, RefusesNonFiniteAndOutOfBoundCommands) {
    const Case cases[] = {
        {"the airship's lift", std::array<float, 6>{0, 4.9f, 0, 0, 0.01f, 0}, {}, nullptr},
        {"a move with no turn", {}, std::array<float, 7>{0.1f, 0.1f, 0.1f, 0, 0, 0, 0}, nullptr},
        {"a move turned about y", {}, std::array<float, 7>{-3, 2, 9999, 0, 1, 0, 3.1f}, nullptr},
        {"NaN force", std::array<float, 6>{nan, 0, 0, 0, 0, 0}, {}, "force (nan, 0, 0) is not finite"},
        {"1e38 force", std::array<float, 6>{0, 1e38f, 0, 0, 0, 0}, {}, "force (0, 1e+38, 0) is beyond 10000 N"},
        {"infinite torque", std::array<float, 6>{0, 0, 0, 0, 0, -inf}, {}, "torque (0, 0, -inf) is not finite"},
        {"huge torque", std::array<float, 6>{0, 0, 0, 8000, 8000, 0}, {}, "beyond 10000 N m"},
        {"NaN move", {}, std::array<float, 7>{0, nan, 0, 0, 1, 0, 0}, "is not finite"},
        {"NaN axis", {}, std::array<float, 7>{0, 0, 0, nan, 1, 0, 0}, "is not finite"},
        {"move far away", {}, std::array<float, 7>{0, 1e38f, 0, 0, 1, 0, 0}, "move to (0, 1e+38, 0) is beyond 10000 m"},
        {"huge angle", {}, std::array<float, 7>{0, 0, 0, 0, 1, 0, 1e20f}, "angle (1e+20) is beyond 10000 rad"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        link::Step step;
        step.force_torque = c.force_torque;
        step.move = c.move;
        step.wheels = std::array<std::int16_t, 2>{-32768, 32767};  // any 16-bit speed is fine
        const auto refusal = refuse_commands(step);
        if (!c.refusal) {
            EXPECT_FALSE(refusal) << *refusal;
        } else {
            ASSERT_TRUE(refusal);
            EXPECT_NE(refusal->find(c.refusal), std::string::npos) << *refusal;
        }
    }
}

}  // namespace
}  // namespace arena
