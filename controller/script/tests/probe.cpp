// A program that exercises the stand-in the way the robot programs do, so
// that the stand-in's own tests can read what it reported. The robot's name
// picks the extra behaviours.
#include <stdio.h>
#include <string.h>

#include "controller.h"

static DeviceTag ds0, rx;

static void reset(void) {
    ds0 = robot_get_device("ds0");
    rx = robot_get_device("rx");
    if (strcmp(robot_get_name(), "console") == 0) {
        robot_console_print("tab\there \\ \x01\x7f\xff line\n");
    }
    const float *m = gps_get_matrix(0);
    for (int i = 0; i < 16; ++i) printf("%g ", m[i]);
    printf("\n");
}

static int run(void) {
    distance_sensor_get_value(ds0);
    while (robot_keyboard_get_key() != 0) {
    }
    const int size = receiver_get_buffer_size(rx);
    const unsigned char *data = (const unsigned char *)receiver_get_buffer(rx);
    if (size > 0 && strcmp(robot_get_name(), "overread") == 0) {
        printf("%d\n", data[size]);  // one byte too far
    }
    return 64;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
