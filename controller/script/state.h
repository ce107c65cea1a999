// The stand-in's one state: the scenario being played, the step it is in,
// and what every device reads in that step.
#ifndef CONTROLLER_SCRIPT_STATE_H
#define CONTROLLER_SCRIPT_STATE_H

#include <array>
#include <vector>

#include "controller.h"
#include "scenario.h"
#include "trace.h"

namespace script {

struct DeviceNow {
    unsigned short distance = 0;
    std::array<float, 16> matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    unsigned char* packet_end = nullptr;  // a receiver's buffer ends at an unreadable page
    const unsigned char* packet = nullptr;
    int packet_size = 0;
};

struct State {
    Scenario scenario;
    TraceWriter trace;
    long long step = 0;
    bool traced = true;  // whether calls of this step are written
    std::size_t next_block = 0;
    std::vector<DeviceNow> devices;          // tag - 1
    const std::vector<int>* keys = nullptr;  // this step's keys
    std::size_t next_key = 0;
    bool per_step = false;  // keys or packets were set for this step
    char* text = nullptr;   // the 1024-byte console buffer
};

// The state, loaded from SCRIPT_SCENARIO on first use; step 0's samples
// are in place from the start, so reset already sees them.
State& state();

// The device of tag, or nullptr for tag 0 and unknown tags.
DeviceNow* device(State& s, DeviceTag tag);

// Moves to the next step: keys and packets of the old step are gone,
// the new step's samples are applied. Returns false when the scenario's
// steps are over (the trace's last line, "end", is then written).
bool next_step(State& s);

// Writes "end" and flushes the trace: the scenario's steps are over.
void end_run(State& s);

}  // namespace script

#endif
