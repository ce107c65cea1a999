// `arena sweep SPEC --slurm`: the sweep goes to the cluster as a job array
// instead of the local pool.
#ifndef ARENA_SWEEP_SLURM_SWEEP_H
#define ARENA_SWEEP_SLURM_SWEEP_H

#include <filesystem>
#include <functional>
#include <string>

#include "arena/sweep/slurm_script.h"

namespace arena::sweep {

// The job for SPEC into OUT, run by this very arena binary (on a cluster, the
// installed one every node sees).
SlurmJob slurm_job_for(const std::filesystem::path& spec, const std::filesystem::path& out,
                       const std::string& partition, int tasks, int cpus_per_task);

// Submits the job and says its id and how to collect. With wait, waits for
// it to end, names the tasks that did not complete, and returns collect()'s
// status. 2 if the job could not be submitted, 4 if it could not be followed.
int run_sweep_on_slurm(const SlurmJob& job, bool wait, const std::function<int()>& collect);

}  // namespace arena::sweep

#endif
