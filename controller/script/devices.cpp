// The device operations: enabling, reads of this step's samples, commands.
#include "controller.h"
#include "state.h"

using script::DeviceNow;
using script::State;
using script::state;

namespace {

const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const unsigned char black_pixel[3] = {0, 0, 0};
const unsigned char no_packet[1] = {0};

void tag_and_int(const char* operation, DeviceTag tag, int value) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, operation);
    s.trace.integer(tag);
    s.trace.integer(value);
    s.trace.end();
}

void tag_only(State& s, const char* operation, DeviceTag tag) {
    if (!s.traced) return;
    s.trace.begin(s.step, operation);
    s.trace.integer(tag);
    s.trace.end();
}

int tag_with_result(const char* operation, DeviceTag tag, int result) {
    State& s = state();
    if (s.traced) {
        s.trace.begin(s.step, operation);
        s.trace.integer(tag);
        s.trace.result(result);
        s.trace.end();
    }
    return result;
}

void reals(const char* operation, const float* values, int n) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, operation);
    for (int i = 0; i < n; ++i) s.trace.real(values[i]);
    s.trace.end();
}

}  // namespace

// The shared gps_euler computes the angles; the link step routes the
// programs' calls here (--wrap=gps_euler) so that they are traced too.
extern "C" void __real_gps_euler(const float* matrix, float* angles);

extern "C" {

void distance_sensor_enable(DeviceTag tag, int period) { tag_and_int("distance_sensor_enable", tag, period); }
void camera_enable(DeviceTag tag, int period) { tag_and_int("camera_enable", tag, period); }
void gps_enable(DeviceTag tag, int period) { tag_and_int("gps_enable", tag, period); }
void receiver_enable(DeviceTag tag, int period) { tag_and_int("receiver_enable", tag, period); }
void emitter_enable(DeviceTag tag, int period) { tag_and_int("emitter_enable", tag, period); }

unsigned short distance_sensor_get_value(DeviceTag tag) {
    const DeviceNow* d = device(state(), tag);
    return static_cast<unsigned short>(
        tag_with_result("distance_sensor_get_value", tag, d != nullptr ? d->distance : 0));
}

// Every camera shows one black pixel: the programs fetch images but none
// looks at them.
const unsigned char* camera_get_image(DeviceTag tag) {
    tag_only(state(), "camera_get_image", tag);
    return black_pixel;
}
int camera_get_width(DeviceTag tag) { return tag_with_result("camera_get_width", tag, 1); }
int camera_get_height(DeviceTag tag) { return tag_with_result("camera_get_height", tag, 1); }

const float* gps_get_matrix(DeviceTag tag) {
    State& s = state();
    tag_only(s, "gps_get_matrix", tag);
    const DeviceNow* d = device(s, tag);
    return d != nullptr ? d->matrix.data() : identity;
}

void __wrap_gps_euler(const float* matrix, float* angles) {
    __real_gps_euler(matrix, angles);
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, "gps_euler");
    for (int i = 0; i < 16; ++i) s.trace.real(matrix[i]);
    s.trace.results(angles, 3);
    s.trace.end();
}

int receiver_get_buffer_size(DeviceTag tag) {
    const DeviceNow* d = device(state(), tag);
    return tag_with_result("receiver_get_buffer_size", tag, d != nullptr ? d->packet_size : 0);
}

const void* receiver_get_buffer(DeviceTag tag) {
    State& s = state();
    tag_only(s, "receiver_get_buffer", tag);
    const DeviceNow* d = device(s, tag);
    return d != nullptr && d->packet_size > 0 ? d->packet : no_packet;
}

void differential_wheels_set_speed(int left, int right) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, "differential_wheels_set_speed");
    s.trace.integer(left);
    s.trace.integer(right);
    s.trace.end();
}

void custom_robot_set_rel_force_and_torque(float fx, float fy, float fz, float tx, float ty, float tz) {
    const float v[6] = {fx, fy, fz, tx, ty, tz};
    reals("custom_robot_set_rel_force_and_torque", v, 6);
}

void custom_robot_move(float x, float y, float z, float ax, float ay, float az, float angle) {
    const float v[7] = {x, y, z, ax, ay, az, angle};
    reals("custom_robot_move", v, 7);
}

void emitter_send(DeviceTag tag, const void* data, int size) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, "emitter_send");
    s.trace.integer(tag);
    s.trace.integer(size);
    s.trace.hex(data, size);
    s.trace.end();
}

}  // extern "C"
