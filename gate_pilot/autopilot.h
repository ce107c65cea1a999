// The gate autopilot: a five-state machine that flies the course in
// Puertas and then docks.
//
// States: 1 turn toward the row, 2 fly to it, 3 docking: close in along z
// to the approach point (row 5), 4 line up in x with it, 5 close the z gap
// to the dock (row 6). The errors, their memories, ISum3 and the gains live
// here for the whole run; the loop owns apState and gateIndex.
#ifndef GATE_PILOT_AUTOPILOT_H
#define GATE_PILOT_AUTOPILOT_H

extern const float Puertas[7][3];

extern float Kpro, Kdif;           // altitude
extern float Kpro2, Kdif2;         // z axis (state 5)
extern float Kpro3, Kdif3, Kint3;  // heading
extern float Kproh, Kdifh;         // distance, or x axis in state 4

extern float dx, dy, dz, dh;      // errors of the latest laws
extern float Pdx, Pdy, Pdz, Pdh;  // their previous values, never cleared
extern float ISum3;               // heading integral of state 2, unbounded

// One step of the machine: writes all three commands and may advance
// apState and gateIndex and print a console line.
void autopilotStep(const float pos[3], float heading, int &apState, int &gateIndex, float &cmdYaw, float &cmdVert,
                   float &cmdFwd);

#endif
