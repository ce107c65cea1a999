// A controller that breaks the rules on purpose, chosen by its robot's name,
// so the end-to-end tests can watch the arena cope:
//   "crasher"  dies of SIGSEGV in its 5th step
//   "quitter"  exits with status 3 in its 3rd step
//   "odd"      asks for a 3 ms step (not a whole number of 2 ms physics steps)
//   "nan_force" pushes sideways with 1 N, then sends a NaN force in its 3rd step
//   "huge_move" sends a move to y = 1e38 in its 3rd step
// Each prints its pid first, as the test sees it (the controller runs in a
// PID namespace of its own, where getpid() says 2), so a test can check that
// it is gone afterwards.
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controller.h"

static int steps;

static void reset(void) {
    char self[32] = {0};
    if (readlink("/proc/self", self, sizeof self - 1) < 0) std::snprintf(self, sizeof self, "%d", int(getpid()));
    std::snprintf(robot_get_formated_string(), 1024, "pid %s\n", self);
    robot_console_print(robot_get_formated_string());
}

int main() {
    robot_live(reset);
    const char* name = robot_get_name();
    for (;;) {
        ++steps;
        std::printf("step %d\n", steps);
        if (std::strcmp(name, "crasher") == 0 && steps == 5) {
            std::fflush(stdout);
            raise(SIGSEGV);
        }
        if (std::strcmp(name, "quitter") == 0 && steps == 3) std::exit(3);
        if (std::strcmp(name, "nan_force") == 0) {
            custom_robot_set_rel_force_and_torque(steps == 3 ? NAN : 1.0f, 0, 0, 0, 0, 0);
        }
        if (std::strcmp(name, "huge_move") == 0 && steps == 3) custom_robot_move(0, 1e38f, 0, 0, 1, 0, 0);
        robot_step(std::strcmp(name, "odd") == 0 && steps == 2 ? 3 : 64);
    }
}
