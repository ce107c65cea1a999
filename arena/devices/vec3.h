#pragma once
// Three-vector arithmetic that the compiler can inline. The camera casts
// dozens of rays per image and does a handful of these per ray; MuJoCo's
// own mju_dot3 and friends are calls into a shared library, which cost more
// than the arithmetic they do.

#include <mujoco/mujoco.h>

namespace arena::vec3 {

inline mjtNum dot(const mjtNum a[3], const mjtNum b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline void sub(mjtNum out[3], const mjtNum a[3], const mjtNum b[3]) {
    for (int i = 0; i < 3; i++) out[i] = a[i] - b[i];
}

inline void add(mjtNum out[3], const mjtNum a[3], const mjtNum b[3]) {
    for (int i = 0; i < 3; i++) out[i] = a[i] + b[i];
}

// out = a + s * b
inline void add_scaled(mjtNum out[3], const mjtNum a[3], const mjtNum b[3], mjtNum s) {
    for (int i = 0; i < 3; i++) out[i] = a[i] + s * b[i];
}

// out = M v, with M a row-major 3x3 matrix such as MuJoCo's xmat (which
// maps a frame's coordinates to the world's).
inline void mul(mjtNum out[3], const mjtNum m[9], const mjtNum v[3]) {
    for (int i = 0; i < 3; i++) out[i] = m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2];
}

// out = M^T v: world coordinates into the frame's.
inline void mul_transposed(mjtNum out[3], const mjtNum m[9], const mjtNum v[3]) {
    for (int i = 0; i < 3; i++) out[i] = m[i] * v[0] + m[3 + i] * v[1] + m[6 + i] * v[2];
}

}  // namespace arena::vec3
