#include "arena/record/poses_csv.h"

#include <charconv>
#include <string>

#include "arena/record/csv_text.h"

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

PosesCsv::PosesCsv(const std::filesystem::path& file) : out_(file) { out_.append("time,body,x,y,z,qw,qx,qy,qz\n"); }

void PosesCsv::write(double time, const mjModel* m, const mjData* d) {
    std::string rows;
    for (int b = 1; b < m->nbody; ++b) {
        rows += round_trip(time) + ',' + csv_field(body_label(m, b));
        for (int i = 0; i < 3; ++i) rows += ',' + round_trip(d->xpos[3 * b + i]);
        for (int i = 0; i < 4; ++i) rows += ',' + round_trip(d->xquat[4 * b + i]);
        rows += '\n';
    }
    out_.append(rows);
}

}  // namespace arena
