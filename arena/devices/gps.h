#pragma once
// The GPS: where a body (or a site on it) is and which way it faces.

#include <mujoco/mujoco.h>

#include <array>

namespace arena {

// The 4x4 column-major transform from the frame to the world: elements 0-2
// the frame's x axis in world coordinates, 4-6 its y axis, 8-10 its z axis,
// 12-14 its origin, 15 = 1. site >= 0 picks the site's frame, otherwise the
// body's; body and site both < 0 give the identity.
std::array<float, 16> gps_matrix(const mjModel* m, const mjData* d, int body, int site);

}  // namespace arena
