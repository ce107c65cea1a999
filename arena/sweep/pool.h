// Runs a sweep's runs as child processes of the arena itself, at most N at
// a time. A child that crashes is only a finished job with its status; an
// interrupt (SIGINT, SIGTERM, SIGHUP) ends every running child and waits
// for them, so nothing outlives the sweep and no half-run is taken for a
// result.
#ifndef ARENA_SWEEP_POOL_H
#define ARENA_SWEEP_POOL_H

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace arena::sweep {

struct Job {
    std::size_t index = 0;
    std::vector<std::string> args;  // after the program's name
    std::filesystem::path stderr_file;
};

struct Finished {
    std::size_t index = 0;
    int status = 0;      // the exit status, or -1 when a signal ended it
    std::string signal;  // "SIGSEGV" when one did
    double wall_time = 0;
};

class Pool {
public:
    // program: the arena binary (/proc/self/exe resolved).
    Pool(std::filesystem::path program, int jobs);

    // Runs every job; calls done() as each ends and tick() about five times a
    // second. Returns false when an interrupt stopped it: the jobs ended by it
    // are not reported.
    bool run(const std::vector<Job>& jobs, const std::function<void(const Finished&)>& done,
             const std::function<void()>& tick);

private:
    std::filesystem::path program_;
    int jobs_;
};

// The arena binary that is running now, for its children.
std::filesystem::path own_program();

}  // namespace arena::sweep

#endif
