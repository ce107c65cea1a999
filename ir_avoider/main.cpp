// ir_avoider: drives straight ahead and turns on the spot while either
// infrared sensor sees an obstacle.
#include "controller.h"

static DeviceTag ir0, ir1;

// Readings above this count as an obstacle in front of the sensor.
static const unsigned short obstacle = 200;

static void reset(void) {
    ir0 = robot_get_device("ir0");
    ir1 = robot_get_device("ir1");
    distance_sensor_enable(ir0, 64);
    distance_sensor_enable(ir1, 64);
}

static int run(void) {
    // Both readings first: the decision needs the two of them.
    const unsigned short v0 = distance_sensor_get_value(ir0);
    const unsigned short v1 = distance_sensor_get_value(ir1);
    short left = 100, right = 100;
    if (v1 > obstacle) {  // ir1 wins when both see something: turn left
        left = -20;
        right = 20;
    } else if (v0 > obstacle) {
        left = 20;
        right = -20;
    }
    differential_wheels_set_speed(left, right);
    return 64;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
