// The batch script that runs a sweep as a Slurm job array: each array task
// runs its share of the runs with the arena binary and writes their rows into
// the sweep's folder, which the cluster's shared file system shows to every
// node.
#ifndef ARENA_SWEEP_SLURM_SCRIPT_H
#define ARENA_SWEEP_SLURM_SCRIPT_H

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace arena::sweep {

// A sweep that cannot go to the cluster as asked: one line saying why.
class SlurmError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SlurmJob {
    std::filesystem::path arena;             // the binary every task runs (absolute)
    std::filesystem::path spec;              // absolute
    std::filesystem::path out;               // the sweep's folder (absolute)
    std::string partition;                   // empty: the cluster's default
    int tasks = 1;                           // array tasks; task I runs the runs whose index % tasks == I
    int cpus_per_task = 1;                   // also the runs a task keeps going at once
    std::vector<std::string> share_options;  // more of `arena sweep`'s options for every task (--keep none)
};

// Where each task's standard output and error go: OUT/slurm/JOB_TASK.out.
std::filesystem::path slurm_log_folder(const std::filesystem::path& out);

// The text of OUT/sweep.sbatch. Throws SlurmError for a path that no batch
// script can carry (a line break in it).
std::string batch_script(const SlurmJob& job);

}  // namespace arena::sweep

#endif
