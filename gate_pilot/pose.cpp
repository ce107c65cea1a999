#include "pose.h"

#include <algorithm>
#include <cmath>

const float PI = 3.1415927f;
const float Dt = 0.032f;

const float *poseStage(DeviceTag gps, float pos[3], float eulerAngles[3]) {
    const float *gpsMatrix = gps_get_matrix(gps);
    positionFromMatrix(gpsMatrix, pos);
    gps_euler(gpsMatrix, eulerAngles);
    return gpsMatrix;
}

void positionFromMatrix(const float *gpsMatrix, float pos[3]) {
    // A scale of 0 would put infinities into the autopilot and the ceiling
    // test; a rigid body's transform has scale 1, so take it as that.
    double scale = gpsMatrix[15];
    if (scale == 0.0) scale = 1.0;
    for (int i = 0; i < 3; ++i) pos[i] = float(double(gpsMatrix[12 + i]) / scale);
}

// Yaw-pitch-roll angles of the rotation block seen from the dynamics frame.
static void attitude(const float *m, Motion &s) {
    // Rounding at a pitch of +-90 degrees can push element 1 a hair past 1,
    // where asin has no value; the nearest attitude is the vertical one.
    s.pitch = float(std::asin(std::clamp(double(m[1]), -1.0, 1.0)));
    s.roll = float(std::atan2(-double(m[9]), double(m[5])));
    s.yaw = float(std::atan2(double(m[2]), double(m[0])));
}

// bodyVel = C * nedVel, C the direction cosines of the current attitude.
static void velocityInBodyAxes(Motion &s) {
    const double sf = std::sin(double(s.roll)), cf = std::cos(double(s.roll));
    const double st = std::sin(double(s.pitch)), ct = std::cos(double(s.pitch));
    const double sp = std::sin(double(s.yaw)), cp = std::cos(double(s.yaw));
    const double n0 = s.nedVel[0], n1 = s.nedVel[1], n2 = s.nedVel[2];
    s.bodyVel[0] = float(ct * cp * n0 + ct * sp * n1 - st * n2);
    s.bodyVel[1] = float((sf * st * cp - cf * sp) * n0 + (sf * st * sp + cf * cp) * n1 + sf * ct * n2);
    s.bodyVel[2] = float((cf * st * cp + sf * sp) * n0 + (cf * st * sp - sf * cp) * n1 + cf * ct * n2);
}

// An angle that jumps by more than half a turn in one pass has wrapped
// around +-pi; its difference is not a rate, so the last rate is held.
static float angleRate(float angle, float prevAngle, float prevRate) {
    const double change = double(angle) - double(prevAngle);
    if (std::fabs(change) > double(PI)) return prevRate;
    return float(change / double(Dt));
}

void motionStage(const float *m, Motion &s) {
    s.prevRoll = s.roll;
    s.prevPitch = s.pitch;
    s.prevYaw = s.yaw;
    attitude(m, s);

    // The dynamics frame ignores the scale: it is the raw translation.
    std::copy(s.nedPos, s.nedPos + 3, s.prevNedPos);
    s.nedPos[0] = m[12];
    s.nedPos[1] = m[14];
    s.nedPos[2] = float(-double(m[13]));

    std::copy(s.eulerRate, s.eulerRate + 3, s.prevEulerRate);
    for (int i = 0; i < 3; ++i) s.nedVel[i] = float((double(s.nedPos[i]) - double(s.prevNedPos[i])) / double(Dt));
    velocityInBodyAxes(s);

    s.eulerRate[0] = angleRate(s.roll, s.prevRoll, s.prevEulerRate[0]);
    s.eulerRate[1] = angleRate(s.pitch, s.prevPitch, s.prevEulerRate[1]);
    s.eulerRate[2] = angleRate(s.yaw, s.prevYaw, s.prevEulerRate[2]);
}
