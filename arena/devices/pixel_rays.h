#pragma once
// The rays of a camera's pixels, and which geoms each of them may hit.
//
// A camera casts one ray per pixel from one point. Seen from there, each
// geom's bounding sphere covers a rectangle of pixels, so the geoms are
// sorted into pixels once per image and each ray is tried only against the
// geoms of its own pixel: in a scene of gates and posts most of them cover
// few pixels or none.

#include <mujoco/mujoco.h>

#include <span>
#include <vector>

#include "devices/ray.h"

namespace arena {

// A pinhole camera at a site: x looks forward, y up, z right (the site's
// axes), `fov_deg` across the width.
struct CameraView {
    CameraView(const mjModel* m, const mjData* d, int site, int width, int height, double fov_deg);

    // The unit direction of the ray through the centre of pixel (col, row),
    // rows top first.
    void ray(int col, int row, mjtNum dir[3]) const;

    const mjtNum* from;
    mjtNum forward[3], up[3], right[3];
    int width, height;
    double half_w, half_h;  // the image plane's half extents at distance 1

private:
    // Where the centre of a column or row lies on the image plane at
    // distance 1: u along right, v along up.
    double u_of(int col) const;
    double v_of(int row) const;

    double inverse_width_, inverse_height_;
    std::vector<double> inverse_length_;  // per pixel, rows top first
};

class PixelBins {
public:
    // The geoms the filter lets through, sorted into the pixels of `view`.
    PixelBins(const mjModel* m, const mjData* d, const RayFilter& filter, const CameraView& view);

    // The geoms the ray of pixel (col, row) may hit, in model order.
    std::span<const int> at(int col, int row) const;

private:
    int width_;
    std::vector<int> start_;  // pixel p's geoms are geoms_[start_[p], start_[p + 1])
    std::vector<int> geoms_;
};

}  // namespace arena
