#include "arena/record/poses_csv.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace arena {

std::string round_trip(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string body_label(const mjModel* m, int body) {
    const char* name = mj_id2name(m, mjOBJ_BODY, body);
    return name && *name ? name : "body" + std::to_string(body);
}

PosesCsv::PosesCsv(const std::filesystem::path& file) : out_(file, std::ios::binary) {
    if (!out_) throw std::runtime_error("cannot write " + file.string());
    out_ << "time,body,x,y,z,qw,qx,qy,qz\n";
}

void PosesCsv::write(double time, const mjModel* m, const mjData* d) {
    for (int b = 1; b < m->nbody; ++b) {
        out_ << round_trip(time) << ',' << body_label(m, b);
        for (int i = 0; i < 3; ++i) out_ << ',' << round_trip(d->xpos[3 * b + i]);
        for (int i = 0; i < 4; ++i) out_ << ',' << round_trip(d->xquat[4 * b + i]);
        out_ << '\n';
    }
    out_.flush();
}

}  // namespace arena
