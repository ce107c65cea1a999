#include "fake_library.h"

#include <controller.h>

namespace fake {
std::vector<std::string> console;
std::vector<std::array<float, 6>> forces;
float gpsMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}  // namespace fake

static char buffer[1024];

extern "C" char *robot_get_formated_string(void) { return buffer; }
extern "C" void robot_console_print(const char *text) { fake::console.push_back(text); }
extern "C" const float *gps_get_matrix(DeviceTag) { return fake::gpsMatrix; }
extern "C" void custom_robot_set_rel_force_and_torque(float fx, float fy, float fz, float tx, float ty, float tz) {
    fake::forces.push_back({fx, fy, fz, tx, ty, tz});
}
