// Writing gate_pilot scenarios and reading back what the program did, pass
// by pass, through the scripted stand-in.
#ifndef GATE_PILOT_TESTS_SCENARIO_H
#define GATE_PILOT_TESTS_SCENARIO_H

#include "run_scenario.h"

#include <array>
#include <string>
#include <vector>

namespace pilot {

using Forces = std::array<float, 6>;  // fx, fy, fz, tx, ty, tz as sent

// The GPS line of a level craft with the given heading (0 facing +x,
// growing toward +z) at (x, y, z); scale is element 15.
std::string gps(double heading, float x, float y, float z, float scale = 1);
// The GPS line of 16 raw elements.
std::string gps(const std::array<float, 16> &m);

// The header of a scenario with all four devices, or the ones named.
std::string header(int steps, const std::string &devices = "camera gps ds0 ds1");

// Runs gate_pilot on the scenario; the run must end normally.
script::Result run(const std::string &scenario);

// The force-and-torque arguments of each pass, in pass order.
std::vector<Forces> forces(const script::Result &r);

// The console lines printed during one pass, in order.
std::vector<std::string> consoleOf(const script::Result &r, int step);

// The names of the library calls of one pass, in order.
std::vector<std::string> callsOf(const script::Result &r, int step);

// What a level craft at rest is sent for the given commands.
Forces atRest(double cmdFwd, double cmdYaw, double cmdVert);

// Compares two force tuples argument by argument within tolerance.
void expectForces(const Forces &got, const Forces &want, double tolerance = 2e-6);

extern const char *const ceilingLine;
extern const char *const warningLine;
extern const char *const emergencyLine;
extern const char *const arrivalLine;
extern const char *const dockedLine;

}  // namespace pilot

#endif
