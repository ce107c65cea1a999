#include "arena/process/exit_status.h"

#include <sys/wait.h>

#include <cstring>

namespace arena {

ExitStatus ExitStatus::from_wait(int wstatus) {
    ExitStatus s;
    if (WIFSIGNALED(wstatus)) {
        s.signalled = true;
        s.signal = WTERMSIG(wstatus);
    } else {
        s.code = WEXITSTATUS(wstatus);
    }
    return s;
}

std::string ExitStatus::signal_name() const {
    const char* abbrev = sigabbrev_np(signal);
    return abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
}

std::string ExitStatus::describe() const {
    return signalled ? "killed by " + signal_name() : "exited with status " + std::to_string(code);
}

}  // namespace arena
