// A minimal Controller library for the direct tests: it records the console
// lines and the force-and-torque calls instead of reaching a simulator.
#ifndef GATE_PILOT_TESTS_FAKE_LIBRARY_H
#define GATE_PILOT_TESTS_FAKE_LIBRARY_H

#include <array>
#include <string>
#include <vector>

namespace fake {
extern std::vector<std::string> console;
extern std::vector<std::array<float, 6>> forces;
extern float gpsMatrix[16];
}  // namespace fake

#endif
