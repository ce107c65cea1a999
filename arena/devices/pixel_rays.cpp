#include "devices/pixel_rays.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "devices/vec3.h"

namespace arena {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

// Pixels [first, last] of one image axis; empty when first > last.
struct Range {
    int first, last;
};

// Widens a range a little, so rounding never drops a ray that grazes the
// geom.
void widen(double& lo, double& hi) {
    lo -= 1e-9 * (1 + std::abs(lo));
    hi += 1e-9 * (1 + std::abs(hi));
}

// Over a circle of radius r around (a, b), b pointing forward: the range of
// a / b that its points show, i.e. the tangents of the two rays from the
// origin that touch it (phi -/+ alpha, with phi the circle's bearing and
// alpha its half width as seen). A side that reaches 90 degrees off forward
// is unbounded; so is all of it when the circle holds the origin.
void tangent_range(double a, double b, double r, double& lo, double& hi) {
    const double rho2 = a * a + b * b;
    if (rho2 <= r * r) {
        lo = -inf;
        hi = inf;
        return;
    }
    const double t = std::sqrt(rho2 - r * r);
    // rho^2 cos(phi -/+ alpha) and rho^2 sin(phi -/+ alpha).
    const double cos_lo = b * t + r * a, sin_lo = a * t - r * b;
    const double cos_hi = b * t - r * a, sin_hi = a * t + r * b;
    lo = cos_lo > 0 ? sin_lo / cos_lo : -inf;
    hi = cos_hi > 0 ? sin_hi / cos_hi : inf;
    widen(lo, hi);
}

// The pixels whose centre coordinate, pixel i at c(i) = scale * (2 (i + 0.5)
// / n - 1), lies in [lo, hi].
Range pixels_between(double lo, double hi, double scale, int n) {
    // Clamped while still a double, so that infinities become indices.
    auto index = [&](double c) { return std::clamp((c / scale + 1) * n / 2 - 0.5, -1.0, double(n)); };
    return {std::max(0, int(std::ceil(index(lo)))), std::min(n - 1, int(std::floor(index(hi))))};
}

// The half extents of a primitive geom's box in its own frame, or false
// for planes, meshes and height fields.
bool local_box(const mjModel* m, int g, mjtNum e[3]) {
    const mjtNum* s = m->geom_size + 3 * g;
    switch (m->geom_type[g]) {
    case mjGEOM_BOX:
    case mjGEOM_ELLIPSOID: e[0] = s[0], e[1] = s[1], e[2] = s[2]; return true;
    case mjGEOM_SPHERE: e[0] = e[1] = e[2] = s[0]; return true;
    case mjGEOM_CYLINDER: e[0] = e[1] = s[0], e[2] = s[1]; return true;
    case mjGEOM_CAPSULE: e[0] = e[1] = s[0], e[2] = s[1] + s[0]; return true;
    default: return false;
    }
}

void camera_coords(const CameraView& view, const mjtNum w[3], mjtNum c[3]) {
    c[0] = vec3::dot(w, view.right), c[1] = vec3::dot(w, view.up), c[2] = vec3::dot(w, view.forward);
}

// The u and v ranges of a box wholly in front of the camera: within its
// corners' projections, which for a thin post are far tighter than its
// bounding sphere's. False when a corner is not ahead of the camera.
bool box_extent(const mjData* d, int g, const CameraView& view, const mjtNum centre[3], const mjtNum e[3], double u[2],
                double v[2]) {
    // The box's half edges in camera coordinates: columns of the geom's frame.
    const mjtNum* mat = d->geom_xmat + 9 * g;
    mjtNum axis[3][3];
    for (int k = 0; k < 3; k++) {
        const mjtNum w[3] = {mat[k] * e[k], mat[3 + k] * e[k], mat[6 + k] * e[k]};
        camera_coords(view, w, axis[k]);
    }
    // The corners, centre -/+ each half edge in turn: every corner is reached
    // by doubling the set once per axis.
    mjtNum corners[8][3];
    std::copy_n(centre, 3, corners[0]);
    for (int k = 0, n = 1; k < 3; k++, n *= 2) {
        for (int j = 0; j < n; j++) {
            vec3::add(corners[n + j], corners[j], axis[k]);
            vec3::sub(corners[j], corners[j], axis[k]);
        }
    }
    u[0] = v[0] = inf;
    u[1] = v[1] = -inf;
    for (const mjtNum* c : corners) {
        if (c[2] <= 1e-9) return false;
        const double inverse_depth = 1 / c[2], cu = c[0] * inverse_depth, cv = c[1] * inverse_depth;
        u[0] = std::min(u[0], cu), u[1] = std::max(u[1], cu);
        v[0] = std::min(v[0], cv), v[1] = std::max(v[1], cv);
    }
    widen(u[0], u[1]);
    widen(v[0], v[1]);
    return true;
}

// Where a geom shows in the image plane, as ranges of u = x/z and v = y/z
// in camera coordinates: within its bounding sphere's tangents, and when
// its box is wholly ahead, within the box's corners too (computed only for
// a geom whose sphere is in view). False when it is wholly behind the
// camera.
bool image_extent(const mjModel* m, const mjData* d, int g, const CameraView& view, double u[2], double v[2]) {
    mjtNum rel[3], centre[3];
    vec3::sub(rel, d->geom_xpos + 3 * g, view.from);
    camera_coords(view, rel, centre);
    const mjtNum r = m->geom_rbound[g];
    if (centre[2] + r <= 0) return false;
    tangent_range(centre[0], centre[2], r, u[0], u[1]);
    tangent_range(centre[1], centre[2], r, v[0], v[1]);
    const double corner_u = view.half_w, corner_v = view.half_h;  // the image's own extent
    if (u[0] > corner_u || u[1] < -corner_u || v[0] > corner_v || v[1] < -corner_v) return false;
    mjtNum e[3];
    double box_u[2], box_v[2];
    if (local_box(m, g, e) && box_extent(d, g, view, centre, e, box_u, box_v)) {
        u[0] = std::max(u[0], box_u[0]), u[1] = std::min(u[1], box_u[1]);
        v[0] = std::max(v[0], box_v[0]), v[1] = std::min(v[1], box_v[1]);
    }
    return true;
}

}  // namespace

CameraView::CameraView(const mjModel*, const mjData* d, int site, int w, int h, double fov_deg)
    : from(d->site_xpos + 3 * site), width(w), height(h) {
    const mjtNum* mat = d->site_xmat + 9 * site;
    for (int i = 0; i < 3; i++) {
        forward[i] = mat[3 * i];
        up[i] = mat[3 * i + 1];
        right[i] = mat[3 * i + 2];
    }
    half_w = std::tan(fov_deg * std::numbers::pi / 360);
    half_h = w > 0 ? half_w * h / w : 0;
    inverse_width_ = w > 0 ? 1.0 / w : 0;
    inverse_height_ = h > 0 ? 1.0 / h : 0;
    // forward, right and up are orthonormal, so the ray through (u, v) on the
    // plane at distance 1 is sqrt(1 + u^2 + v^2) long. Worked out for all
    // pixels in one loop, whose square roots and divisions overlap, instead of
    // one at a time, ray by ray.
    inverse_length_.resize(std::size_t(std::max(w, 0)) * std::size_t(std::max(h, 0)));
    for (int row = 0; row < h; row++) {
        const double v = v_of(row);
        for (int col = 0; col < w; col++) {
            const double u = u_of(col);
            inverse_length_[std::size_t(row * w + col)] = 1 / std::sqrt(1 + u * u + v * v);
        }
    }
}

double CameraView::u_of(int col) const { return half_w * ((2 * col + 1) * inverse_width_ - 1); }
double CameraView::v_of(int row) const { return half_h * (1 - (2 * row + 1) * inverse_height_); }

void CameraView::ray(int col, int row, mjtNum dir[3]) const {
    const double u = u_of(col), v = v_of(row);
    const double s = inverse_length_[std::size_t(row * width + col)];
    for (int i = 0; i < 3; i++) dir[i] = (forward[i] + u * right[i] + v * up[i]) * s;
}

PixelBins::PixelBins(const mjModel* m, const mjData* d, const RayFilter& filter, const CameraView& view)
    : width_(view.width), start_(std::size_t(view.width) * view.height + 1, 0) {
    struct Cover {
        int geom;
        Range cols, rows;
    };
    std::vector<Cover> covers;
    const Range all_cols{0, view.width - 1}, all_rows{0, view.height - 1};
    for (int g = 0; g < m->ngeom; g++) {
        if (!filter.hits(g)) continue;
        const mjtNum r = m->geom_rbound[g];
        if (r <= 0 || m->geom_type[g] == mjGEOM_PLANE) {  // no bound: every pixel
            covers.push_back({g, all_cols, all_rows});
            continue;
        }
        // The ray of a pixel shows points at (x/z, y/z) = (u, v): it can meet
        // the geom only if (u, v) lies where the geom shows.
        double u[2], v[2];
        if (!image_extent(m, d, g, view, u, v)) continue;
        const Range cols = pixels_between(u[0], u[1], view.half_w, view.width);
        // Rows run top down: row i shows v = -c(i).
        const Range rows = pixels_between(-v[1], -v[0], view.half_h, view.height);
        if (cols.first <= cols.last && rows.first <= rows.last) covers.push_back({g, cols, rows});
    }
    // Count, then place, so that each pixel's geoms stay in model order.
    for (const Cover& c : covers) {
        for (int row = c.rows.first; row <= c.rows.last; row++) {
            for (int col = c.cols.first; col <= c.cols.last; col++) start_[std::size_t(row * width_ + col) + 1]++;
        }
    }
    for (std::size_t p = 1; p < start_.size(); p++) start_[p] += start_[p - 1];
    geoms_.resize(std::size_t(start_.back()));
    std::vector<int> next(start_.begin(), start_.end() - 1);
    for (const Cover& c : covers) {
        for (int row = c.rows.first; row <= c.rows.last; row++) {
            for (int col = c.cols.first; col <= c.cols.last; col++) {
                geoms_[std::size_t(next[std::size_t(row * width_ + col)]++)] = c.geom;
            }
        }
    }
}

std::span<const int> PixelBins::at(int col, int row) const {
    const std::size_t p = std::size_t(row * width_ + col);
    return std::span<const int>(geoms_).subspan(std::size_t(start_[p]), std::size_t(start_[p + 1] - start_[p]));
}

}  // namespace arena
