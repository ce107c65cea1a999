// ir_beacon: transmits, now and then, a number and a text on its emitter.
//
// The listeners of the ir_link world decode the first four bytes of a
// packet as a little-endian float and the others as zero-terminated text,
// so the beacon alternates between the two kinds.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "controller.h"

static const int kStep = 64;            // ms per step
static const int kStepsPerPacket = 16;  // about one packet per second

static DeviceTag emitter;
static int steps;
static unsigned counter;

static void reset(void) {
    emitter = robot_get_device("emitter");
    emitter_enable(emitter, kStep);
}

static void send_number(void) {
    float value = counter * 1.25f;
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = (unsigned char)(bits >> (8 * i));
    emitter_send(emitter, bytes, 4);
    snprintf(robot_get_formated_string(), 1024, "sent %f\n", value);
    robot_console_print(robot_get_formated_string());
}

static void send_text(void) {
    char text[32];
    int n = snprintf(text, sizeof text, "beacon %u", counter);
    emitter_send(emitter, text, n + 1);  // with its terminating zero
    snprintf(robot_get_formated_string(), 1024, "sent \"%s\"\n", text);
    robot_console_print(robot_get_formated_string());
}

static int run(void) {
    if (++steps % kStepsPerPacket == 0) {
        ++counter;
        if (counter % 2 == 1) {
            send_number();
        } else {
            send_text();
        }
    }
    return kStep;
}

int main() {
    robot_live(reset);
    robot_run(run);
    return 0;
}
