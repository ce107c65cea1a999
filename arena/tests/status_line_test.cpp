// The status line a pilot reads while flying: where the robot is, which way
// it faces, and which keys the arena hears.
#include <gtest/gtest.h>

#include <cmath>

#include "arena/run/status_line.h"

namespace arena {
namespace {

TEST(StatusLine, RobotPositionAndHeadingAsTheGpsReadsIt) {
    mjData d{};
    mjtNum xpos[6] = {0, 0, 0, 1.234, 1.8, -3.4};
    // Body 1 turned to face world +z: its forward axis (column 0) is (0, 0, 1).
    mjtNum xmat[18] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0, 1, 0, 1, 0, 0};
    d.xpos = xpos;
    d.xmat = xmat;
    EXPECT_EQ(robot_status("airship", &d, 1), "airship x 1.23 y 1.80 z -3.40 heading 1.57");
}

TEST(StatusLine, KeysByNameAndNothingWhenNoneIsHeld) {
    EXPECT_EQ(keys_status({65, 80, 316, 317, 318, 319}), "keys: A P left up right down");
    EXPECT_EQ(keys_status({}), "");
}

}  // namespace
}  // namespace arena
