#include "devices/camera.h"

#include "devices/pixel_rays.h"
#include "devices/ray.h"
#include "devices/vec3.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace arena {

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb sky{0.62, 0.75, 0.90};
// However obliquely a surface is seen, it keeps this much of its colour, so
// that a wall seen edge-on is still told from the sky.
constexpr double ambient = 0.35;

// The colour MJCF gives the geom: its own rgba, unless it has a material and
// left its rgba at MuJoCo's default grey.
Rgb geom_colour(const mjModel* m, int g) {
    const float* rgba = m->geom_rgba + 4 * g;
    const bool default_grey = rgba[0] == 0.5f && rgba[1] == 0.5f && rgba[2] == 0.5f && rgba[3] == 1.0f;
    if (m->geom_matid[g] >= 0 && default_grey) rgba = m->mat_rgba + 4 * m->geom_matid[g];
    return {rgba[0], rgba[1], rgba[2]};
}

// The surface normal at point p, given in the geom's own frame.
void local_normal(const mjModel* m, int g, const mjtNum p[3], mjtNum n[3]) {
    const mjtNum* s = m->geom_size + 3 * g;
    n[0] = n[1] = 0;
    n[2] = 1;
    switch (m->geom_type[g]) {
    case mjGEOM_SPHERE: mju_copy3(n, p); break;
    case mjGEOM_ELLIPSOID:
        for (int i = 0; i < 3; i++) n[i] = p[i] / (s[i] * s[i]);
        break;
    case mjGEOM_BOX: {
        int face = 0;
        for (int i = 1; i < 3; i++)
            if (std::abs(p[i]) / s[i] > std::abs(p[face]) / s[face]) face = i;
        n[0] = n[1] = n[2] = 0;
        n[face] = p[face] < 0 ? -1 : 1;
        return;  // already of unit length
    }
    case mjGEOM_CYLINDER:
        if (std::abs(p[2]) / s[1] < std::hypot(p[0], p[1]) / s[0]) {
            n[0] = p[0];
            n[1] = p[1];
            n[2] = 0;
        } else {
            n[2] = p[2] < 0 ? -1 : 1;
        }
        break;
    case mjGEOM_CAPSULE:
        n[0] = p[0];
        n[1] = p[1];
        n[2] = p[2] - std::clamp(p[2], -s[1], s[1]);
        break;
    default: return;  // planes face their +z; meshes and height fields shade as planes
    }
    const mjtNum length = std::sqrt(vec3::dot(n, n));
    if (length > mjMINVAL) n[0] /= length, n[1] /= length, n[2] /= length;
}

// How brightly the surface at the hit shows: full when met head-on.
double shading(const mjModel* m, const mjData* d, int g, const mjtNum from[3], const mjtNum dir[3], double distance) {
    mjtNum hit[3], rel[3], local[3], n_local[3], n[3];
    vec3::add_scaled(hit, from, dir, distance);
    vec3::sub(rel, hit, d->geom_xpos + 3 * g);
    vec3::mul_transposed(local, d->geom_xmat + 9 * g, rel);
    local_normal(m, g, local, n_local);
    vec3::mul(n, d->geom_xmat + 9 * g, n_local);
    return ambient + (1 - ambient) * std::abs(vec3::dot(n, dir));
}

std::uint8_t byte(double v) { return std::uint8_t(std::clamp(v, 0.0, 1.0) * 255 + 0.5); }  // rounded

}  // namespace

std::vector<std::uint8_t> render_camera(const mjModel* m, const mjData* d, const CameraModel& camera, int robot_body) {
    const int w = std::max(camera.width, 0), h = std::max(camera.height, 0);
    std::vector<std::uint8_t> image(std::size_t(w) * h * 3);
    if (w == 0 || h == 0) return image;
    const RayFilter filter(m, robot_body);
    const CameraView view(m, d, camera.site, w, h, camera.fov_deg);
    const PixelBins bins(m, d, filter, view);
    std::uint8_t* px = image.data();
    for (int row = 0; row < h; row++) {
        for (int col = 0; col < w; col++, px += 3) {
            mjtNum dir[3];
            view.ray(col, row, dir);
            const RayHit hit = cast_ray(m, d, bins.at(col, row), view.from, dir);
            Rgb c = sky;
            if (hit.geom >= 0) {
                const double s = shading(m, d, hit.geom, view.from, dir, hit.distance);
                c = geom_colour(m, hit.geom);
                c = {c.r * s, c.g * s, c.b * s};
            }
            px[0] = byte(c.r);
            px[1] = byte(c.g);
            px[2] = byte(c.b);
        }
    }
    return image;
}

}  // namespace arena
