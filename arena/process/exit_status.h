// How a controller process ended, as waitpid tells it.
#ifndef ARENA_PROCESS_EXIT_STATUS_H
#define ARENA_PROCESS_EXIT_STATUS_H

#include <string>

namespace arena {

struct ExitStatus {
    bool signalled = false;
    int code = 0;    // exit status when !signalled
    int signal = 0;  // signal number when signalled

    static ExitStatus from_wait(int wstatus);
    bool clean() const { return !signalled && code == 0; }
    std::string signal_name() const;  // "SIGSEGV"
    std::string describe() const;     // "exited with status 3", "killed by SIGSEGV"
};

}  // namespace arena

#endif
