#include "devices/custom_drive.h"

#include <cmath>

namespace arena {

void apply_relative_force_torque(const mjModel*, mjData* d, int body, const std::array<float, 6>& ft) {
    const mjtNum force[3] = {ft[0], ft[1], ft[2]};
    const mjtNum torque[3] = {ft[3], ft[4], ft[5]};
    mjtNum* out = d->xfrc_applied + 6 * body;
    // xmat maps body coordinates to world coordinates.
    mju_mulMatVec(out, d->xmat + 9 * body, force, 3, 3);
    mju_mulMatVec(out + 3, d->xmat + 9 * body, torque, 3, 3);
}

namespace {

int free_joint(const mjModel* m, int body) {
    const int j = m->body_jntadr[body];
    return j >= 0 && m->jnt_type[j] == mjJNT_FREE ? j : -1;
}

void axis_angle_quat(mjtNum quat[4], float ax, float ay, float az, float angle) {
    mjtNum axis[3] = {ax, ay, az};
    if (mju_normalize3(axis) < mjMINVAL) {
        quat[0] = 1;
        quat[1] = quat[2] = quat[3] = 0;
        return;
    }
    mju_axisAngle2Quat(quat, axis, angle);
}

}  // namespace

bool can_place(const mjModel* m, int body) {
    return body > 0 && body < m->nbody && (m->body_mocapid[body] >= 0 || free_joint(m, body) >= 0);
}

void place_body(const mjModel* m, mjData* d, int body, float x, float y, float z, float ax, float ay, float az,
                float angle) {
    if (!can_place(m, body)) return;
    mjtNum* pos;
    mjtNum* quat;
    if (const int mocap = m->body_mocapid[body]; mocap >= 0) {
        pos = d->mocap_pos + 3 * mocap;
        quat = d->mocap_quat + 4 * mocap;
    } else {
        const int j = free_joint(m, body);
        pos = d->qpos + m->jnt_qposadr[j];
        quat = pos + 3;
        mju_zero(d->qvel + m->jnt_dofadr[j], 6);
    }
    pos[0] = x;
    pos[1] = y;
    pos[2] = z;
    axis_angle_quat(quat, ax, ay, az, angle);
}

}  // namespace arena
