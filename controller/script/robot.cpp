// The robot-level operations: life cycle, names, keyboard and console.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controller.h"
#include "state.h"

using script::State;
using script::state;

namespace {

// Most calls write a line with no argument at all.
void plain(State& s, const char* operation) {
    if (!s.traced) return;
    s.trace.begin(s.step, operation);
    s.trace.end();
}

}  // namespace

extern "C" {

void robot_live(void (*reset)(void)) {
    State& s = state();
    plain(s, "robot_live");
    if (reset != nullptr) reset();
}

void robot_run(int (*run)(void)) {
    State& s = state();
    plain(s, "robot_run");
    if (s.scenario.steps == 0 || run == nullptr) return script::end_run(s);
    for (;;) {
        const int ms = run();
        if (s.traced) {
            s.trace.begin(s.step, "run_returned");
            s.trace.integer(ms);
            s.trace.end();
        }
        if (!script::next_step(s)) return;
    }
}

int robot_step(int ms) {
    State& s = state();
    if (s.traced) {
        s.trace.begin(s.step, "robot_step");
        s.trace.integer(ms);
        s.trace.end();
    }
    if (!script::next_step(s)) {
        // The simulation is over: end as the simulator ends a controller.
        std::fflush(stdout);
        std::fflush(stderr);
        std::exit(0);
    }
    return 0;
}

DeviceTag robot_get_device(const char* name) {
    State& s = state();
    DeviceTag tag = 0;
    for (std::size_t i = 0; name != nullptr && i < s.scenario.devices.size(); ++i) {
        if (std::strcmp(s.scenario.devices[i].c_str(), name) == 0) {
            tag = static_cast<DeviceTag>(i + 1);
            break;
        }
    }
    if (s.traced) {
        s.trace.begin(s.step, "robot_get_device");
        s.trace.text(name);
        s.trace.result(tag);
        s.trace.end();
    }
    return tag;
}

const char* robot_get_name(void) {
    State& s = state();
    plain(s, "robot_get_name");
    return s.scenario.name.c_str();
}

void robot_keyboard_enable(int period) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, "robot_keyboard_enable");
    s.trace.integer(period);
    s.trace.end();
}

int robot_keyboard_get_key(void) {
    State& s = state();
    int key = 0;
    if (s.keys != nullptr && s.next_key < s.keys->size()) key = (*s.keys)[s.next_key++];
    if (s.traced) {
        s.trace.begin(s.step, "robot_keyboard_get_key");
        s.trace.result(key);
        s.trace.end();
    }
    return key;
}

char* robot_get_formated_string(void) {
    State& s = state();
    plain(s, "robot_get_formated_string");
    return s.text;
}

void robot_console_print(const char* text) {
    State& s = state();
    if (!s.traced) return;
    s.trace.begin(s.step, "robot_console_print");
    s.trace.text(text);
    s.trace.end();
}

}  // extern "C"
