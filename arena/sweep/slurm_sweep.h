// `arena sweep SPEC --slurm`: the sweep goes to a Slurm cluster as a job
// array instead of the local pool, and `--wait` collects it once it ends.
#ifndef ARENA_SWEEP_SLURM_SWEEP_H
#define ARENA_SWEEP_SLURM_SWEEP_H

#include <functional>

#include <CLI/CLI.hpp>

#include "arena/sweep/command.h"
#include "arena/sweep/merge.h"

namespace arena::sweep {

// --slurm, --partition and --wait.
void add_slurm_options(CLI::App& sweep_command, Options& o);

// Checks the sweep file and the folder, submits the job, prints its id and says
// how to collect it. With --wait, waits for the job to end, names its tasks
// that did not complete and returns 0 once collect() found a row for every
// run, 1 if some have none. 2 for a bad sweep file or folder or a job sbatch
// refused, 4 if the job could not be followed. Throws SpecError.
int sweep_on_slurm(const Options& o, const std::function<Merged()>& collect);

}  // namespace arena::sweep

#endif
