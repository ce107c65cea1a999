// ir_receiver: prints the size of every packet heard on the infrared link
// and the little-endian float carried in its first four bytes.
#include <stdio.h>
#include <string.h>

#include "controller.h"

static DeviceTag ircom;

static void reset(void) {
    ircom = robot_get_device("ircom");
    receiver_enable(ircom, 64);
}

static int run(void) {
    const int size = receiver_get_buffer_size(ircom);
    if (size <= 0) return 64;  // nothing heard this step
    snprintf(robot_get_formated_string(), 1024, "%u Bytes recibidos\n", (unsigned)size);
    robot_console_print(robot_get_formated_string());
    if (size < 4) {
        // Too short to hold a float: say so rather than read past its end.
        snprintf(robot_get_formated_string(), 1024, "mensaje corto, sin valor\n");
        robot_console_print(robot_get_formated_string());
        return 64;
    }
    // The link carries floats least significant byte first, as this host
    // stores them; memcpy because the packet need not be aligned for a float.
    float value;
    memcpy(&value, receiver_get_buffer(ircom), sizeof value);
    snprintf(robot_get_formated_string(), 1024, "%f\n", (double)value);
    robot_console_print(robot_get_formated_string());
    return 64;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
