#include "devices/pixel_rays.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace arena {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

// Pixels [first, last] of one image axis; empty when first > last.
struct Range {
  int first, last;
};

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
  // Widen a little, so rounding never drops a ray that grazes the sphere.
  lo -= 1e-9 * (1 + std::abs(lo));
  hi += 1e-9 * (1 + std::abs(hi));
}

// The pixels whose centre coordinate, pixel i at c(i) = scale * (2 (i + 0.5)
// / n - 1), lies in [lo, hi].
Range pixels_between(double lo, double hi, double scale, int n) {
  // Clamped while still a double, so that infinities become indices.
  auto index = [&](double c) { return std::clamp((c / scale + 1) * n / 2 - 0.5, -1.0, double(n)); };
  return {std::max(0, int(std::ceil(index(lo)))), std::min(n - 1, int(std::floor(index(hi))))};
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
}

void CameraView::ray(int col, int row, mjtNum dir[3]) const {
  const double u = half_w * (2 * (col + 0.5) / width - 1);
  const double v = half_h * (1 - 2 * (row + 0.5) / height);
  for (int i = 0; i < 3; i++) dir[i] = forward[i] + u * right[i] + v * up[i];
  mju_normalize3(dir);
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
    mjtNum rel[3];
    mju_sub3(rel, d->geom_xpos + 3 * g, view.from);
    const double x = mju_dot3(rel, view.right), y = mju_dot3(rel, view.up), z = mju_dot3(rel, view.forward);
    if (z + r <= 0) continue;  // wholly behind the camera
    // The ray of a pixel shows points at (x/z, y/z) = (u, v): a point of the
    // sphere lies on it only if u is in the sphere's horizontal range and v
    // in its vertical one.
    double ulo, uhi, vlo, vhi;
    tangent_range(x, z, r, ulo, uhi);
    tangent_range(y, z, r, vlo, vhi);
    const Range cols = pixels_between(ulo, uhi, view.half_w, view.width);
    // Rows run top down: row i shows v = -c(i).
    const Range rows = pixels_between(-vhi, -vlo, view.half_h, view.height);
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
