// The airship's flight physics: buoyancy, quadratic drag and three
// thrusters, turned into one force and one torque on the body.
#ifndef GATE_PILOT_FORCE_MODEL_H
#define GATE_PILOT_FORCE_MODEL_H

// Total force (forward, right, down) and torque about the body axes.
struct BodyLoad {
    float bodyForce[3];
    float bodyTorque[3];
};

// The load for the given thruster commands and motion estimates.
BodyLoad bodyLoad(float cmdFwd, float cmdYaw, float cmdVert, float roll, float pitch, const float bodyVel[3],
                  const float eulerRate[3]);

// Computes the load and hands it to the library in the robot's own axes;
// while liftOffSteps is 0 or 1 it sends the fixed start-up lift instead and
// counts the pass.
void forceModelStep(float cmdFwd, float cmdYaw, float cmdVert, float roll, float pitch, const float bodyVel[3],
                    const float eulerRate[3], int &liftOffSteps);

#endif
