// A sweep on a Slurm cluster: its batch script submitted with sbatch, and
// its job waited for, through the cluster's own command-line tools.
#ifndef ARENA_SWEEP_SLURM_H
#define ARENA_SWEEP_SLURM_H

#include <string>
#include <vector>

#include "arena/sweep/slurm_script.h"

namespace arena::sweep {

// Writes OUT/sweep.sbatch, creates the tasks' log folder and submits the
// script; returns the job id. Throws SlurmError naming what sbatch said.
std::string submit_to_slurm(const SlurmJob& job);

// Returns once no task of the job is pending or running. It asks squeue
// less often the longer the job has run (at most every 5 s).
void wait_for_slurm_job(const std::string& job_id);

struct SlurmTaskEnd {
    std::string task;   // the array index
    std::string state;  // COMPLETED, FAILED, CANCELLED, TIMEOUT, ...
    std::string exit_code;
};

// The tasks of an ended job that did not complete, as far as the controller
// still remembers them (it forgets ended jobs after a while: then none).
std::vector<SlurmTaskEnd> slurm_tasks_not_completed(const std::string& job_id);

}  // namespace arena::sweep

#endif
