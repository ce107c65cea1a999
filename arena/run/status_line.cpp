#include "arena/run/status_line.h"

#include <cmath>
#include <cstdio>

namespace arena {
namespace {

std::string key_name(int code) {
    switch (code) {
    case 316: return "left";
    case 317: return "up";
    case 318: return "right";
    case 319: return "down";
    }
    if (code > 32 && code < 127) return std::string(1, char(code));
    return std::to_string(code);
}

}  // namespace

std::string robot_status(const std::string& name, const mjData* d, int body) {
    const mjtNum* p = d->xpos + 3 * body;
    const mjtNum* r = d->xmat + 9 * body;  // row-major: column 0 is the robot's forward axis
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s x %.2f y %.2f z %.2f heading %.2f", name.c_str(), p[0], p[1], p[2],
                  std::atan2(r[6], r[0]));
    return buf;
}

std::string keys_status(const std::vector<int>& codes) {
    if (codes.empty()) return "";
    std::string s = "keys:";
    for (int code : codes) s += " " + key_name(code);
    return s;
}

std::string status_line(const mjModel*, const mjData* d, const World& world, const std::vector<int>& keys) {
    std::string s;
    for (const BoundRobot& r : world.robots) s += " | " + robot_status(r.spec->name, d, r.body);
    if (const std::string k = keys_status(keys); !k.empty()) s += " | " + k;
    return s;
}

}  // namespace arena
