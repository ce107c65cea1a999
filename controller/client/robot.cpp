// Life cycle, device lookup and keyboard: the robot-level operations.
#include <cstdio>
#include <cstdlib>

#include "controller.h"
#include "session.h"

using controller_client::session;

namespace {

// The arena reads the program's stdout and stderr and stamps each line with
// the simulated time at which it arrives, so everything printed during a
// step must be in the pipe before that step's STEP leaves.
void flush_output() {
    std::fflush(stdout);
    std::fflush(stderr);
}

}  // namespace

extern "C" {

void robot_live(void (*reset)(void)) {
    // Whole lines reach the pipe as they are printed, not when a block fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    session().connect();
    if (reset != nullptr) reset();
}

void robot_run(int (*run)(void)) {
    session().connect();
    if (run == nullptr) return;
    for (;;) {
        int ms = run();
        flush_output();
        if (!session().step(ms)) return;
    }
}

int robot_step(int ms) {
    session().connect();
    flush_output();
    if (!session().step(ms)) std::exit(0);
    return 0;
}

DeviceTag robot_get_device(const char *name) { return session().find(name); }

const char *robot_get_name(void) { return session().robot_name().c_str(); }

void robot_keyboard_enable(int period) { session().pending().keyboard_period_ms = period; }

int robot_keyboard_get_key(void) { return session().next_key(); }

}  // extern "C"
