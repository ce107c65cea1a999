// Actuator commands and the console: queued here, sent with the next STEP.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "controller.h"
#include "link/messages.h"
#include "session.h"

using controller_client::DeviceType;
using controller_client::session;

namespace {

std::int16_t to_int16(int v) {
    return static_cast<std::int16_t>(
        std::clamp<int>(v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

char text_buffer[1024];

}  // namespace

extern "C" {

void differential_wheels_set_speed(int left, int right) {
    session().pending().wheels = std::array<std::int16_t, 2>{to_int16(left), to_int16(right)};
}

void custom_robot_set_rel_force_and_torque(float fx, float fy, float fz, float tx, float ty, float tz) {
    session().pending().force_torque = std::array<float, 6>{fx, fy, fz, tx, ty, tz};
}

void custom_robot_move(float x, float y, float z, float ax, float ay, float az, float angle) {
    session().pending().move = std::array<float, 7>{x, y, z, ax, ay, az, angle};
}

void emitter_send(DeviceTag tag, const void *data, int size) {
    if (!session().is(tag, DeviceType::emitter) || data == nullptr || size <= 0) return;
    if (static_cast<std::size_t>(size) > arena::link::kMaxPacketBytes) {
        std::fprintf(stderr,
                     "%s: emitter_send: a packet of %d bytes is over the 65535-byte "
                     "limit; not sent\n",
                     program_invocation_short_name, size);
        return;
    }
    if (!session().reserve(static_cast<std::size_t>(size), "packets")) return;
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    session().pending().emits.push_back({tag, {bytes, bytes + size}});
}

char *robot_get_formated_string(void) { return text_buffer; }

void robot_console_print(const char *text) {
    if (text == nullptr) return;
    std::size_t n = std::strlen(text);
    if (session().reserve(n, "console text")) session().pending().console.append(text, n);
}

}  // extern "C"
