// A scenario as read from its file: the robot, its devices and what each
// device reads step by step. The format is described in README.md here.
#ifndef CONTROLLER_SCRIPT_SCENARIO_H
#define CONTROLLER_SCRIPT_SCENARIO_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace script {

// What a device has been given samples of; a device gets one kind only.
enum class Kind { none, distance, gps, receiver };

// One sample line under a `step K` line, already checked.
struct Sample {
    enum class What { distance, gps, keys, packet } what;
    int device = -1;  // index into Scenario::devices; -1 for keys
    unsigned short distance = 0;
    std::array<float, 16> matrix{};
    std::vector<int> keys;
    std::vector<unsigned char> bytes;  // the packet
};

struct StepBlock {
    long long step = 0;
    int line = 0;  // of the `step K` line, for messages
    std::vector<Sample> samples;
};

struct TraceRange {
    long long first = 0, last = 0;  // inclusive
};

struct Scenario {
    std::string name = "robot";
    std::vector<std::string> devices;  // tag = index + 1
    std::vector<Kind> kinds;           // one per device
    long long steps = 0;
    std::vector<TraceRange> trace;  // empty: every step is traced
    std::vector<StepBlock> blocks;  // ascending steps
    std::size_t largest_packet = 0;
};

// Reads the scenario at path. On any fault of the file it prints
// "PATH:LINE: what is wrong" on standard error and ends the process with
// status 3, so a broken scenario can never pass for a program's fault.
Scenario load_scenario(const std::string& path);

// Same, from text already in memory; path is only used in messages.
Scenario parse_scenario(const std::string& text, const std::string& path);

}  // namespace script

#endif
