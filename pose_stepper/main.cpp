// pose_stepper: moves its robot along the diagonal x = y = z by placing it
// 0.1 further along each axis every step.
#include "controller.h"

// Running totals in single precision: they drift from steps * 0.1, and from
// 2097152 on the 0.1 no longer changes them. That is how this robot moves.
static float x = 0.0f, y = 0.0f, z = 0.0f;

static const double increment = 0.1;

static void reset(void) {}

static int run(void) {
    x = (float)(x + increment);
    y = (float)(y + increment);
    z = (float)(z + increment);
    custom_robot_move(x, y, z, 0.0f, 1.0f, 0.0f, 0.0f);
    return 64;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
