// `arena sweep`: its options on the command line and what it does with them.
#ifndef ARENA_SWEEP_COMMAND_H
#define ARENA_SWEEP_COMMAND_H

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

struct Options {
    std::string spec;
    std::string out;
    int jobs = 0;  // 0: one per core
    Keep keep = Keep::failures;
    bool resume = false;
    std::optional<std::size_t> tasks;  // default: 1, or with --slurm one per 10 runs
    std::optional<std::size_t> array_task;
    std::string collect;
    bool slurm = false;
    std::string partition;
    bool wait = false;
};

CLI::App* add_command(CLI::App& app, Options& options);

// The exit status of `arena sweep`.
int run_command(const Options& options);

}  // namespace arena::sweep

#endif
