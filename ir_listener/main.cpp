// ir_listener: reports its name and device tags, then prints every packet
// heard on the infrared link as one line of text.
#include <stdio.h>

#include "controller.h"

static DeviceTag ir0, ir1, ircom;

static void reset(void) {
    ir0 = robot_get_device("ir0");
    ir1 = robot_get_device("ir1");
    ircom = robot_get_device("ircom");
    const char *name = robot_get_name();
    snprintf(robot_get_formated_string(), 1024, "reset: robot name is %s\n", name);
    robot_console_print(robot_get_formated_string());
    // A missing device shows here as 0, and only here.
    snprintf(robot_get_formated_string(), 1024, "device tags are %d %d %d\n", ir0, ir1, ircom);
    robot_console_print(robot_get_formated_string());
    distance_sensor_enable(ir0, 64);
    distance_sensor_enable(ir1, 64);
    receiver_enable(ircom, 64);
}

static int run(void) {
    distance_sensor_get_value(ir0);  // the sensors are read but play no part
    distance_sensor_get_value(ir1);
    const int size = receiver_get_buffer_size(ircom);
    if (size <= 0) return 64;  // nothing heard this step
    snprintf(robot_get_formated_string(), 1024, "received %u bytes: ", (unsigned)size);
    robot_console_print(robot_get_formated_string());
    const char *data = (const char *)receiver_get_buffer(ircom);
    // The text ends at its zero byte, or at the packet's end if the sender
    // left the zero out: never past the packet.
    snprintf(robot_get_formated_string(), 1024, "%.*s\n", size, data);
    robot_console_print(robot_get_formated_string());
    return 64;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
