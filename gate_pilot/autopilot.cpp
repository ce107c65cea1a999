#include "autopilot.h"

#include "console.h"
#include "pose.h"

#include <algorithm>
#include <cmath>

// Gates 0 to 4, the approach point 5 and the dock 6, in world coordinates.
const float Puertas[7][3] = {
    {0.95f, 1.8f, 3.0f}, {1.15f, 1.8f, -6.5f}, {-0.6f, 1.8f, -3.5f}, {-0.6f, 1.8f, 4.8f},
    {-1.0f, 1.8f, 8.0f}, {3.5f, 2.2f, 2.0f},   {3.5f, 2.2f, 0.0f},
};
static const int dockRow = 6;

float Kpro = 2.0f, Kdif = 80.0f;
float Kpro2 = 4.0f, Kdif2 = 80.0f;
float Kpro3 = 10.0f, Kdif3 = 1.0f, Kint3 = 0.1f;
float Kproh = 2.0f, Kdifh = 80.0f;

float dx = 0.0f, dy = 0.0f, dz = 0.0f, dh = 0.0f;
float Pdx = 0.0f, Pdy = 0.0f, Pdz = 0.0f, Pdh = 0.0f;
float ISum3 = 0.0f;

// The values one step works with; the state laws fill in the commands.
struct Step {
    const float *target;
    const float *pos;
    float heading;
    float offX, offZ, bearing;
    float cmdYaw, cmdVert, cmdFwd;
};

// PD on error e: the derivative is the plain difference from the memory,
// which then takes e.
static float pd(float e, float &memory, float kp, float kd) {
    const float out = float(double(kp) * e + (double(e) - memory) * kd);
    memory = e;
    return out;
}

// Positive cmdVert pushes down, so the PD on the height error is negated.
static float altitudeLaw(const Step &s) {
    dy = float(double(s.target[1]) - s.pos[1]);
    const float out = float(-(double(Kpro) * dy + (double(dy) - Pdy) * Kdif));
    Pdy = dy;
    return out;
}

static float horizontalDistance(const Step &s) {
    return float(std::sqrt(double(s.offX) * s.offX + double(s.offZ) * s.offZ));
}

// Direction of the target in the x-z plane, 0 along +x, growing toward +z.
static float bearingTo(float offX, float offZ) {
    // Straight along -x no quadrant rule applies; the target lies at pi.
    if (offZ == 0.0f) return offX < 0.0f ? PI : 0.0f;
    // offX of 0 gives an infinite quotient and a bearing of +-pi/2.
    const float angle = float(std::atan(double(offZ) / double(offX)));
    if (offX >= 0.0f) return angle;
    return offZ > 0.0f ? float(double(angle) + PI) : float(double(angle) - PI);
}

// State 1: turn on the spot until the heading meets the bearing.
static int turnToward(Step &s) {
    ISum3 = 0.0f;
    dx = float(double(s.bearing) - s.heading);
    s.cmdYaw = pd(dx, Pdx, Kpro3, Kdif3);
    return std::fabs(double(s.bearing) - s.heading) < 0.002 ? 2 : 1;
}

// State 2's heading PID; the integral term uses the sum before this error.
static float headingPid(float e) {
    const float out = float(double(Kpro3) * e + double(Kint3) * ISum3 + (double(e) - Pdx) * Kdif3);
    ISum3 = float(double(ISum3) + e);
    Pdx = e;
    return out;
}

// Shifting the heading memory by the x offset makes the next derivative term
// steer the remaining x offset out.
static void lateralCorrection(const Step &s) {
    if (std::fabs(double(s.offX)) < 0.001) return;
    if (s.heading <= 0.0f) Pdx = float(double(Pdx) - s.offX - 5.0 * s.offX);
    if (s.heading > 0.0f) Pdx = float(double(Pdx) + s.offX + 5.0 * s.offX);
}

// State 2: fly to the row; close to it along z the heading locks to +-1.57.
static int flyTo(Step &s, int &gateIndex) {
    if (s.offZ >= 0.0 && s.offZ <= 0.6) s.bearing = 1.57f;
    if (s.offZ >= -0.6 && s.offZ <= 0.0) s.bearing = -1.57f;
    dx = float(double(s.bearing) - s.heading);
    s.cmdYaw = headingPid(dx);
    lateralCorrection(s);
    s.cmdVert = altitudeLaw(s);
    dh = horizontalDistance(s);
    s.cmdFwd = pd(dh, Pdh, Kproh, Kdifh);

    int next = 2;
    if (gateIndex == 5 && std::fabs(dh) <= 2.0f) next = 3;
    // An arrival wins over the docking entry of the same pass.
    if (std::fabs(double(s.offX)) <= 0.4 && std::fabs(double(s.offZ)) <= 0.1) {
        ++gateIndex;
        next = 1;
        consolePrint("\nHe llegado a mi destino!!!\n");
    }
    return next;
}

// State 3: heading -1.57, close in along z to the approach point.
static int closeInAlongZ(Step &s) {
    Kpro = 4.0f, Kdif = 80.0f, Kproh = 2.0f, Kdifh = 180.0f;
    dx = float(-1.57 - double(s.heading));
    s.cmdYaw = pd(dx, Pdx, Kpro3, Kdif3);
    s.cmdVert = altitudeLaw(s);
    // Tracked for the exit test and left as the memory state 5 starts from.
    dz = float(double(s.target[2]) - s.pos[2]);
    Pdz = dz;
    dh = horizontalDistance(s);
    s.cmdFwd = pd(dh, Pdh, Kproh, Kdifh);
    return std::fabs(double(dz)) <= 0.01 ? 4 : 3;
}

// State 4: heading 0, close the x gap; dh holds the x error here.
static int lineUpInX(Step &s, int &gateIndex) {
    Kpro = 4.0f, Kdif = 100.0f, Kpro2 = 4.0f, Kdif2 = 180.0f, Kproh = 2.0f, Kdifh = 180.0f;
    dx = float(0.0 - double(s.heading));
    s.cmdYaw = pd(dx, Pdx, Kpro3, Kdif3);
    s.cmdVert = altitudeLaw(s);
    dh = float(double(s.target[0]) - s.pos[0]);
    s.cmdFwd = pd(dh, Pdh, Kproh, Kdifh);
    if (std::fabs(double(dh)) > 0.001) return 4;
    ++gateIndex;
    return 5;
}

// State 5: heading 1.57, close the z gap to the dock; never left.
static int dock(Step &s) {
    Kpro = 4.0f, Kdif = 120.0f, Kpro2 = 4.0f, Kdif2 = 180.0f;
    dx = float(1.57 - double(s.heading));
    s.cmdYaw = pd(dx, Pdx, Kpro3, Kdif3);
    s.cmdVert = altitudeLaw(s);
    dz = float(double(s.target[2]) - s.pos[2]);
    s.cmdFwd = pd(dz, Pdz, Kpro2, Kdif2);
    if (std::fabs(double(dz)) <= 0.001) consolePrint("\nDocking COMPLETADO\n");
    return 5;
}

void autopilotStep(const float pos[3], float heading, int &apState, int &gateIndex, float &cmdYaw, float &cmdVert,
                   float &cmdFwd) {
    Step s{};
    // Past the dock (only an arrival at row 6 gets there) keep steering to it.
    s.target = Puertas[std::min(gateIndex, dockRow)];
    s.pos = pos;
    s.heading = heading;
    s.offX = float(double(s.target[0]) - pos[0]);
    s.offZ = float(double(s.target[2]) - pos[2]);
    s.bearing = bearingTo(s.offX, s.offZ);

    switch (apState) {
    case 1: apState = turnToward(s); break;
    case 2: apState = flyTo(s, gateIndex); break;
    case 3: apState = closeInAlongZ(s); break;
    case 4: apState = lineUpInX(s, gateIndex); break;
    case 5: apState = dock(s); break;
    }
    cmdYaw = s.cmdYaw;
    cmdVert = s.cmdVert;
    cmdFwd = s.cmdFwd;
}
