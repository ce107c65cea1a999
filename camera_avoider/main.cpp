// camera_avoider: the infrared avoider with a camera on board and a slower
// cruise; the camera image is fetched every step but not used for steering.
#include <stdio.h>

#include "controller.h"

static DeviceTag ir0, ir1, camera;

// Readings above this count as an obstacle in front of the sensor.
static const unsigned short obstacle = 200;

static void reset(void) {
    ir0 = robot_get_device("ir0");
    ir1 = robot_get_device("ir1");
    camera = robot_get_device("camera");
    if (camera == 0) {
        snprintf(robot_get_formated_string(), 1024, "Camara perdida\n");
        robot_console_print(robot_get_formated_string());
    }
    distance_sensor_enable(ir0, 64);
    distance_sensor_enable(ir1, 64);
    camera_enable(camera, 64);  // tag 0 when missing: the library accepts it
}

static int run(void) {
    camera_get_image(camera);
    // Both readings first: the decision needs the two of them.
    const unsigned short v0 = distance_sensor_get_value(ir0);
    const unsigned short v1 = distance_sensor_get_value(ir1);
    short left = 50, right = 50;
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
