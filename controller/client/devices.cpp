// Enabling and reading devices. Reads return what the last SENSORS brought;
// a tag that is 0, out of range or of another kind of device reads as a
// neutral value and enables nothing.
#include "controller.h"
#include "session.h"

using controller_client::DeviceType;
using controller_client::session;

namespace {

void enable(DeviceTag tag, DeviceType type, int period) {
    if (session().is(tag, type)) session().pending().enables.push_back({tag, period});
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const unsigned char kBlackPixel[3] = {0, 0, 0};
const unsigned char kNoPacket[1] = {0};

}  // namespace

extern "C" {

void distance_sensor_enable(DeviceTag tag, int period) { enable(tag, DeviceType::distance_sensor, period); }
void camera_enable(DeviceTag tag, int period) { enable(tag, DeviceType::camera, period); }
void gps_enable(DeviceTag tag, int period) { enable(tag, DeviceType::gps, period); }
void receiver_enable(DeviceTag tag, int period) { enable(tag, DeviceType::receiver, period); }
void emitter_enable(DeviceTag tag, int period) { enable(tag, DeviceType::emitter, period); }

unsigned short distance_sensor_get_value(DeviceTag tag) {
    return session().is(tag, DeviceType::distance_sensor) ? session().state(tag).distance : 0;
}

const float* gps_get_matrix(DeviceTag tag) {
    return session().is(tag, DeviceType::gps) ? session().state(tag).matrix.data() : kIdentity;
}

// An image that is missing or empty reads as one black pixel, so that a
// program never gets NULL or a size that disagrees with the bytes.
const unsigned char* camera_get_image(DeviceTag tag) {
    if (!session().is(tag, DeviceType::camera)) return kBlackPixel;
    const auto& st = session().image(tag);
    return st.image.empty() ? kBlackPixel : st.image.data();
}

int camera_get_width(DeviceTag tag) {
    if (!session().is(tag, DeviceType::camera)) return 1;
    const auto& st = session().state(tag);
    return st.image_fetched && st.image.empty() ? 1 : st.width;
}

int camera_get_height(DeviceTag tag) {
    if (!session().is(tag, DeviceType::camera)) return 1;
    const auto& st = session().state(tag);
    return st.image_fetched && st.image.empty() ? 1 : st.height;
}

int receiver_get_buffer_size(DeviceTag tag) {
    if (!session().is(tag, DeviceType::receiver)) return 0;
    return static_cast<int>(session().state(tag).packet.size() - 1);
}

const void* receiver_get_buffer(DeviceTag tag) {
    if (!session().is(tag, DeviceType::receiver)) return kNoPacket;
    return session().state(tag).packet.data();
}

}  // extern "C"
