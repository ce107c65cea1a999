// Pose and motion of the airship, derived from the GPS transform.
//
// Frames: the GPS's world frame has y up; the dynamics frame is fixed to the
// world with axes (world x, world z, -world y); body axes are x forward,
// y right, z down.
#ifndef GATE_PILOT_POSE_H
#define GATE_PILOT_POSE_H

#include <controller.h>

extern const float PI;
extern const float Dt;  // seconds between passes, matching robot_step(32)

// What the motion stage carries from one pass to the next. The loop owns one
// of these, zeroed once before the first pass and never reset.
struct Motion {
    float roll, pitch, yaw;
    float prevRoll, prevPitch, prevYaw;
    float nedPos[3], prevNedPos[3];
    float nedVel[3];
    float bodyVel[3];
    float eulerRate[3], prevEulerRate[3];
};

// Pose stage: fetches this pass's GPS matrix, writes the world position
// into pos and the library's three angles into eulerAngles (element 1 is the
// heading). Returns the matrix, valid until the pass ends.
const float *poseStage(DeviceTag gps, float pos[3], float eulerAngles[3]);

// The world position of a GPS matrix: its translation over its scale.
void positionFromMatrix(const float *gpsMatrix, float pos[3]);

// Motion stage: attitude, position in the dynamics frame, velocity in body
// axes and Euler-angle rates, from the same matrix as the pose stage.
void motionStage(const float *gpsMatrix, Motion &motion);

#endif
