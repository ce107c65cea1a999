#include "console.h"

#include <controller.h>

#include <cstdio>

void consolePrint(const char *text) {
    // The buffer is the library's and 1024 bytes long; fetching it again for
    // the print is the pattern every console line of the craft follows.
    std::snprintf(robot_get_formated_string(), 1024, "%s", text);
    robot_console_print(robot_get_formated_string());
}
