#include "arena/run/interrupts.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <stdexcept>

namespace arena {

Interrupts::Interrupts() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, &saved_);
    fd_ = UniqueFd(signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!fd_) throw std::runtime_error("signalfd failed");
}

Interrupts::~Interrupts() {
    fd_.reset();
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

bool Interrupts::raised() {
    signalfd_siginfo info;
    while (read(fd_.get(), &info, sizeof info) == sizeof info) raised_ = true;
    return raised_;
}

}  // namespace arena
