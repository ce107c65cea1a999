#include "arena/sweep/slurm_sweep.h"

#include <iostream>

#include "arena/run/run_kinds.h"
#include "arena/sweep/slurm.h"
#include "arena/world/controller_path.h"

namespace arena::sweep {

SlurmJob slurm_job_for(const std::filesystem::path& spec, const std::filesystem::path& out,
                       const std::string& partition, int tasks, int cpus_per_task) {
    SlurmJob job;
    job.arena = own_folder() / "arena";
    job.spec = std::filesystem::absolute(spec).lexically_normal();
    job.out = std::filesystem::absolute(out).lexically_normal();
    job.partition = partition;
    job.tasks = tasks;
    job.cpus_per_task = cpus_per_task;
    return job;
}

int run_sweep_on_slurm(const SlurmJob& job, bool wait, const std::function<int()>& collect) {
    std::string id;
    try {
        id = submit_to_slurm(job);
    } catch (const SlurmError& e) {
        std::cerr << "arena: " << e.what() << "\n";
        return int(RunStatus::bad_world);
    }
    std::cout << id << "\n";
    std::cerr << "arena: submitted job " << id << ", " << job.tasks << " array task" << (job.tasks == 1 ? "" : "s")
              << " (logs in " << slurm_log_folder(job.out).string() << "); once it has ended, `arena sweep --collect "
              << job.out.string() << "` merges its rows; `scancel " << id << "` stops it\n";
    if (!wait) return int(RunStatus::completed);
    try {
        wait_for_slurm_job(id);
        for (const SlurmTaskEnd& t : slurm_tasks_not_completed(id)) {
            std::cerr << "arena: task " << t.task << " of job " << id << " ended " << t.state << " (exit code "
                      << t.exit_code << "), see " << (slurm_log_folder(job.out) / (id + "_" + t.task + ".out")).string()
                      << "\n";
        }
    } catch (const SlurmError& e) {
        std::cerr << "arena: " << e.what() << "\n";
        return int(RunStatus::arena_failed);
    }
    return collect();
}

}  // namespace arena::sweep
