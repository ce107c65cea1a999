// SIGINT, SIGTERM and SIGHUP as a descriptor to poll, so an interrupt ends
// the run through the ordinary path that stops the controllers and writes
// the recording. Controllers get the default signal mask back before exec.
#ifndef ARENA_RUN_INTERRUPTS_H
#define ARENA_RUN_INTERRUPTS_H

#include <signal.h>

#include "arena/process/unique_fd.h"

namespace arena {

class Interrupts {
public:
    Interrupts();
    ~Interrupts();
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

    int fd() const { return fd_.get(); }
    // True once a signal has come (checks without blocking).
    bool raised();

private:
    sigset_t saved_{};
    UniqueFd fd_;
    bool raised_ = false;
};

}  // namespace arena

#endif
