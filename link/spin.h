// Watching for a condition another process will make true, without
// sleeping, for a bounded time.
//
// The lock-step link's hand-overs are short waits: the arena's physics for
// one step, a controller's computation for one step. Sleeping and being
// woken costs more than that on a virtual machine, so the waiting side
// watches for a while first. After the first stretch it yields between
// looks, so that on a machine with more processes than cores the one it
// waits for gets the core.
#ifndef LINK_SPIN_H
#define LINK_SPIN_H

#include <chrono>
#include <cstdlib>

#include <sched.h>

namespace arena::link {

// How long a side watches before it sleeps. Longer than a step of a small
// world's physics, short enough not to matter when a run is paced to the
// wall clock.
constexpr std::chrono::microseconds kSpinBudget{300};

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The budget of this process: kSpinBudget, or ARENA_SPIN_US microseconds.
// Watching pays only while each side has a core of its own; a sweep that
// runs several worlds side by side on few cores sets 0 for its runs, since
// there a side that watches takes the core from the one it waits for.
inline std::chrono::microseconds spin_budget() {
    static const std::chrono::microseconds budget = [] {
        const char* text = std::getenv("ARENA_SPIN_US");
        if (text == nullptr || *text == '\0') return kSpinBudget;
        char* end = nullptr;
        const long us = std::strtol(text, &end, 10);
        return *end == '\0' && us >= 0 && us <= 100000 ? std::chrono::microseconds(us) : kSpinBudget;
    }();
    return budget;
}

// True as soon as ready() is, false once `budget` has gone by without.
template <class Ready>
bool spin_until(Ready ready, std::chrono::microseconds budget = spin_budget()) {
    using Clock = std::chrono::steady_clock;
    // Long enough to cover one step of the gate course's physics and camera
    // (about 40 us): a side inside sched_yield when its turn comes picks it
    // up several microseconds late, and measured end to end, 60 us beat 20.
    constexpr std::chrono::microseconds kBusy{60};
    const auto start = Clock::now();
    for (unsigned i = 1;; ++i) {
        if (ready()) return true;
        if (i % 32 != 0) {
            cpu_relax();
            continue;
        }
        const auto waited = Clock::now() - start;
        if (waited >= budget) return false;
        if (waited >= kBusy) sched_yield();
    }
}

}  // namespace arena::link

#endif
