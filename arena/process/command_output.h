// Running a helper program (a cluster's command-line tools) and keeping what
// it printed.
#ifndef ARENA_PROCESS_COMMAND_OUTPUT_H
#define ARENA_PROCESS_COMMAND_OUTPUT_H

#include <string>
#include <vector>

namespace arena {

struct CommandOutput {
    bool started = false;  // false: no such program on PATH, or it could not be run (err says why)
    int status = 0;        // its exit status, or 128 + the signal that ended it
    std::string out, err;
};

// Runs argv[0], looked up on PATH, with argv[1..] and standard input from
// /dev/null, and waits for it to end.
CommandOutput run_command(const std::vector<std::string>& argv);

}  // namespace arena

#endif
