#include "devices/gps.h"

namespace arena {

std::array<float, 16> gps_matrix(const mjModel*, const mjData* d, int body, int site) {
    std::array<float, 16> out{};
    const mjtNum* pos = nullptr;
    const mjtNum* mat = nullptr;  // MuJoCo keeps 3x3 rotations row-major
    if (site >= 0) {
        pos = d->site_xpos + 3 * site;
        mat = d->site_xmat + 9 * site;
    } else if (body >= 0) {
        pos = d->xpos + 3 * body;
        mat = d->xmat + 9 * body;
    } else {
        out[0] = out[5] = out[10] = out[15] = 1;
        return out;
    }
    for (int col = 0; col < 3; col++) {
        for (int row = 0; row < 3; row++) out[4 * col + row] = float(mat[3 * row + col]);
        out[12 + col] = float(pos[col]);
    }
    out[15] = 1;
    return out;
}

}  // namespace arena
