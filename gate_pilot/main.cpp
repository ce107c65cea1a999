// gate_pilot: the airship controller. Every 32 ms pass reads the ground
// sensors and the GPS, lets the autopilot or the pilot's keys set the three
// thruster commands, saturates them, applies the safety overrides and hands
// the resulting force and torque to the body.
#include "autopilot.h"
#include "console.h"
#include "force_model.h"
#include "pose.h"

#include <controller.h>

#include <cstdio>

static DeviceTag camera = 0;
static DeviceTag gps = 0;
static DeviceTag ds0 = 0;
static DeviceTag ds1 = 0;
static bool PA = true;  // the autopilot is flying; only the key P flips it

static const int keyP = 80;
static const int keyForward = 317, keyBackward = 319;
static const int keyRight = 318, keyLeft = 316;
static const int keyDown = 90, keyUp = 65;  // Z and A

static void reset() {
    camera = robot_get_device("camera");
    if (camera == 0) std::printf("Camera is missing!\n");
    gps = robot_get_device("gps");
    if (gps == 0) std::printf("GPS is missing!\n");
    ds0 = robot_get_device("ds0");
    if (ds0 == 0) std::printf("Distance Sensor 0 is missing!\n");
    ds1 = robot_get_device("ds1");
    if (ds1 == 0) std::printf("Distance Sensor 1 is missing!\n");
    distance_sensor_enable(ds0, 32);
    distance_sensor_enable(ds1, 32);
}

static bool hasKey(const int *keys, int count, int code) {
    for (int i = 0; i < count; ++i)
        if (keys[i] == code) return true;
    return false;
}

// The first key of a pair wins when both are held.
static float pairCommand(const int *keys, int first, float firstValue, int second, float secondValue) {
    if (hasKey(keys, 3, first)) return firstValue;
    if (hasKey(keys, 3, second)) return secondValue;
    return 0.0f;
}

// Manual flight looks at the first three codes only; the values are far
// past the bounds so that a held key always gives the full command.
static void manualCommands(const int *keys, float &cmdFwd, float &cmdYaw, float &cmdVert) {
    cmdFwd = pairCommand(keys, keyForward, 20.0f, keyBackward, -20.0f);
    cmdYaw = pairCommand(keys, keyRight, 10.0f, keyLeft, -10.0f);
    cmdVert = pairCommand(keys, keyDown, 20.0f, keyUp, -20.0f);
}

static void saturate(float &cmdFwd, float &cmdYaw, float &cmdVert) {
    float *commands[3] = {&cmdVert, &cmdFwd, &cmdYaw};
    for (float *c : commands)
        if (*c >= 2.0f) *c = 2.0f;
    for (float *c : commands)
        if (*c <= -2.0f) *c = -2.0f;
}

// Keep under the ceiling and off the ground. The docking states fly close
// to the dock's surface on purpose, so the ground checks leave them alone.
static void safetyOverrides(float altitude, unsigned short ds0Value, unsigned short ds1Value, int apState,
                            float &cmdVert) {
    if (altitude >= 4.0f) {
        consolePrint("P.A. on: Evitando salida a la estratosfera\n");
        cmdVert = 1.5f;
    }
    const bool docking = apState == 4 || apState == 5;
    if ((ds0Value >= 800 || ds1Value >= 800) && !docking)
        consolePrint("WARNING!!\tWARNING!! Altura demasiado baja!!\n");
    if ((ds0Value >= 900 || ds1Value >= 900) && !docking) {
        cmdVert = -2.0f;
        consolePrint("P.A. on: INICIANDO MANIOBRA DE EMERGENCIA!!\n");
    }
}

int main() {
    // Standard output is a pipe under the simulator; the missing-device lines
    // must reach it as they are printed, not at exit.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

    robot_live(reset);
    gps_enable(gps, 32);
    camera_enable(camera, 32);
    robot_keyboard_enable(32);

    int apState = 1;
    int gateIndex = 0;
    float cmdFwd = 0.0f, cmdYaw = 0.0f, cmdVert = 0.0f;
    int liftOffSteps = 0;
    Motion motion{};

    for (;;) {
        const unsigned short ds0Value = distance_sensor_get_value(ds0);
        const unsigned short ds1Value = distance_sensor_get_value(ds1);
        camera_get_image(camera);  // fetched every pass, not examined

        float pos[3];
        float eulerAngles[3];
        const float *gpsMatrix = poseStage(gps, pos, eulerAngles);
        const float heading = eulerAngles[1];

        if (PA) autopilotStep(pos, heading, apState, gateIndex, cmdYaw, cmdVert, cmdFwd);

        int keys[4];
        for (int &key : keys) key = robot_keyboard_get_key();
        if (hasKey(keys, 4, keyP)) PA = !PA;
        // Switching the autopilot on keeps the last commands for this pass.
        if (!PA) manualCommands(keys, cmdFwd, cmdYaw, cmdVert);

        saturate(cmdFwd, cmdYaw, cmdVert);
        safetyOverrides(pos[1], ds0Value, ds1Value, apState, cmdVert);

        motionStage(gpsMatrix, motion);
        forceModelStep(cmdFwd, cmdYaw, cmdVert, motion.roll, motion.pitch, motion.bodyVel, motion.eulerRate,
                       liftOffSteps);
        robot_step(32);
    }
}
