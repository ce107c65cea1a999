#include "force_model.h"

#include <controller.h>

#include <cmath>

static const float m = 0.25f;  // kg; the buoyancy balances m * g
static const float g = 9.81f;
static const float CDTransl[3] = {0.07f, 0.25f, 0.25f};
static const float CDRot[3] = {0.016f, 0.016f, 0.01f};
static const float r[3] = {0.005f, 0.0f, -0.25f};  // where the buoyancy acts
// Forward, lateral and vertical thruster: mounting angle and lever arm.
static const float angles[3] = {0.0f, 0.04f, 0.12f};
static const float distance[3] = {0.47f, 0.52f, 0.12f};
static const float motMaxThrust = 0.05f;  // N per unit of command

// The lift of the first two passes, before the estimates are differences.
static const float liftOff = 2.45f;

// Quadratic drag always opposes the motion: coefficient * |v| * v.
static double drag(float coefficient, float speed) {
    return double(coefficient) * std::fabs(double(speed)) * double(speed);
}

BodyLoad bodyLoad(float cmdFwd, float cmdYaw, float cmdVert, float roll, float pitch, const float bodyVel[3],
                  const float eulerRate[3]) {
    const float thrustFwd = float(double(cmdFwd) * motMaxThrust);
    const float thrustLat = float(double(cmdYaw) * motMaxThrust);
    const float thrustVert = float(double(cmdVert) * motMaxThrust);

    const double mg = double(m) * double(g);
    const double sf = std::sin(double(roll)), cf = std::cos(double(roll));
    const double st = std::sin(double(pitch)), ct = std::cos(double(pitch));
    // Buoyancy points up in the world; these are its body-axis components.
    const float buoyancyForce[3] = {float(mg * st), float(-mg * ct * sf), float(-mg * ct * cf)};

    BodyLoad load;
    load.bodyForce[0] = float(double(buoyancyForce[0]) + thrustFwd - drag(CDTransl[0], bodyVel[0]));
    load.bodyForce[1] = float(double(buoyancyForce[1]) - drag(CDTransl[1], bodyVel[1]));
    load.bodyForce[2] = float(double(buoyancyForce[2]) + thrustVert - drag(CDTransl[2], bodyVel[2]));

    const double r0mg = double(r[0]) * m * g, r2mg = double(r[2]) * m * g;
    load.bodyTorque[0] = float(r2mg * ct * sf - double(distance[1]) * thrustLat * std::sin(double(angles[1])) -
                               drag(CDRot[0], eulerRate[0]));
    load.bodyTorque[1] =
        float(r2mg * st + r0mg * ct * cf + double(distance[0]) * thrustFwd * std::sin(double(angles[0])) -
              double(distance[2]) * thrustVert * std::cos(double(angles[2])) - drag(CDRot[1], eulerRate[1]));
    load.bodyTorque[2] = float(-r0mg * ct * sf + double(distance[1]) * thrustLat * std::cos(double(angles[1])) -
                               drag(CDRot[2], eulerRate[2]));
    return load;
}

void forceModelStep(float cmdFwd, float cmdYaw, float cmdVert, float roll, float pitch, const float bodyVel[3],
                    const float eulerRate[3], int &liftOffSteps) {
    const BodyLoad load = bodyLoad(cmdFwd, cmdYaw, cmdVert, roll, pitch, bodyVel, eulerRate);
    if (liftOffSteps <= 1) {
        custom_robot_set_rel_force_and_torque(0.0f, liftOff, 0.0f, 0.0f, 0.0f, 0.0f);
        ++liftOffSteps;
        return;
    }
    // Robot axes are (body x, -body z, body y).
    const float *f = load.bodyForce, *t = load.bodyTorque;
    custom_robot_set_rel_force_and_torque(f[0], -f[2], f[1], t[0], -t[2], t[1]);
}
