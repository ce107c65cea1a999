// A program with its own loop, ended by robot_step as the simulator ends
// such programs. Exit status 7 means robot_step let it run past the end.
#include "controller.h"

static DeviceTag ds0;

static void reset(void) { ds0 = robot_get_device("ds0"); }

int main() {
    robot_live(reset);
    for (int pass = 0; pass < 1000; ++pass) {
        distance_sensor_get_value(ds0);
        robot_step(32);
    }
    return 7;
}
