// MuJoCo speaks through two process-wide hooks. Left alone it prints
// warnings on stdout, appends them to MUJOCO_LOG.TXT in the current folder,
// and on an error waits for Enter and exits. The arena installs its own
// hooks once, before it loads anything: warnings are queued for the run to
// report with the simulated time, and an error throws PhysicsError out of the
// MuJoCo call that raised it (unwinding through Debian's libmujoco works: its
// C code carries unwind tables), so nothing reaches the user's terminal or
// folder unannounced.
#ifndef ARENA_PHYSICS_MUJOCO_MESSAGES_H
#define ARENA_PHYSICS_MUJOCO_MESSAGES_H

#include <stdexcept>
#include <string>
#include <vector>

namespace arena {

// The physics cannot go on: MuJoCo raised an error, its buffers overflowed
// or the simulation diverged. The run ends with this one line.
class PhysicsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Installs the hooks; later calls do nothing.
void install_mujoco_handlers();

// The warnings MuJoCo raised since the last call, oldest first.
std::vector<std::string> take_mujoco_warnings();

}  // namespace arena

#endif
