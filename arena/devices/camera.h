#pragma once
// A colour camera, ray-cast from its site: it looks along the site's +x with
// the site's +y up (so the image's right is the site's +z).

#include <mujoco/mujoco.h>

#include <cstdint>
#include <vector>

namespace arena {

struct CameraModel {
    int site;        // MJCF site id
    int width;       // pixels
    int height;      // pixels
    double fov_deg;  // horizontal field of view, degrees
};

// RGB, 3 bytes per pixel, rows top first, width * height * 3 bytes. Each
// pixel takes the colour of the geom it sees (material colour where the geom
// has a material and no colour of its own), darker the more obliquely the
// ray meets the surface; the sky colour where nothing is hit. The robot's own
// geoms (the subtree of robot_body) are not seen.
std::vector<std::uint8_t> render_camera(const mjModel* m, const mjData* d, const CameraModel& camera, int robot_body);

}  // namespace arena
