#include "arena/sweep/slurm_sweep.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "arena/run/run_kinds.h"
#include "arena/sweep/expansion.h"
#include "arena/sweep/preflight.h"
#include "arena/sweep/share.h"
#include "arena/sweep/slurm.h"

namespace arena::sweep {
namespace {

namespace fs = std::filesystem;

constexpr int status(RunStatus s) { return int(s); }

// Each task costs the scheduler seconds to start: about ten runs apiece
// keep that small beside the runs, and Slurm's default array limit is 1001.
std::size_t default_tasks(std::size_t runs) { return std::clamp<std::size_t>((runs + 9) / 10, 1, 1000); }

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Everything a task needs is checked here, once, so that a mistake is one
// line now and not a failed job later.
SlurmJob job_for(const Options& o) {
    if (o.array_task) throw SpecError("--slurm submits the whole array; --array-task is for its tasks");
    if (o.out.empty()) throw SpecError("--slurm needs --out: a folder that every node of the cluster sees");
    const Spec spec = read_spec(o.spec);
    check_first_points(spec);
    ShareOptions folder;
    folder.out = o.out;
    folder.resume = o.resume;
    prepare_folder(read_text(o.spec), folder);

    SlurmJob job;
    job.arena = fs::read_symlink("/proc/self/exe");  // the tasks run this very binary
    job.spec = fs::absolute(o.spec).lexically_normal();
    job.out = fs::absolute(o.out).lexically_normal();
    job.partition = o.partition;
    job.tasks = int(o.tasks.value_or(default_tasks(expand(spec).size())));
    job.cpus_per_task = o.jobs > 0 ? o.jobs : 1;
    const char* keep = o.keep == Keep::all ? "all" : o.keep == Keep::none ? "none" : "failures";
    job.share_options = {"--keep", keep};
    if (o.resume) job.share_options.push_back("--resume");
    return job;
}

void say_submitted(const SlurmJob& job, const std::string& id) {
    std::cout << id << "\n";
    std::cerr << "arena: submitted job " << id << ", " << job.tasks << " array task" << (job.tasks == 1 ? "" : "s")
              << " (logs in " << slurm_log_folder(job.out).string() << "); once it has ended, `arena sweep --collect "
              << job.out.string() << "` merges its rows; `scancel " << id << "` stops it\n";
}

// Returns whether the job could be followed to its end.
bool wait_and_name_failures(const SlurmJob& job, const std::string& id) {
    try {
        wait_for_slurm_job(id);
        for (const SlurmTaskEnd& t : slurm_tasks_not_completed(id)) {
            std::cerr << "arena: task " << t.task << " of job " << id << " ended " << t.state << " (exit code "
                      << t.exit_code << "), see " << (slurm_log_folder(job.out) / (id + "_" + t.task + ".out")).string()
                      << "\n";
        }
        return true;
    } catch (const SlurmError& e) {
        std::cerr << "arena: " << e.what() << "\n";
        return false;
    }
}

}  // namespace

void add_slurm_options(CLI::App& cmd, Options& o) {
    CLI::Option* slurm = cmd.add_flag(
        "--slurm", o.slurm,
        "Run the sweep on a Slurm cluster: write DIR/sweep.sbatch, a job array whose tasks share the runs, and "
        "submit it with sbatch (prints the job id). Needs --out on a file system every node sees, and this "
        "arena at the same path on every node (docs/sweeps.md)");
    cmd.add_option("--partition", o.partition, "With --slurm: the partition (default: the cluster's)")->needs(slurm);
    cmd.add_flag("--wait", o.wait,
                 "With --slurm: wait for the job to end, then collect its rows; exit status 1 if a task left "
                 "runs without a row, 4 if squeue could not tell how the job was doing")
        ->needs(slurm);
}

int sweep_on_slurm(const Options& o, const std::function<Merged()>& collect) {
    std::error_code ec;
    const bool new_folder = !fs::exists(kept_spec(o.out), ec);
    const SlurmJob job = job_for(o);
    std::string id;
    try {
        id = submit_to_slurm(job);
    } catch (const SlurmError& e) {
        // A folder made for a job that never was stays free for the next try.
        if (new_folder) fs::remove(kept_spec(o.out), ec);
        std::cerr << "arena: " << e.what() << "\n";
        return status(RunStatus::bad_world);
    }
    say_submitted(job, id);
    if (!o.wait) return status(RunStatus::completed);
    if (!wait_and_name_failures(job, id)) return status(RunStatus::arena_failed);
    const Merged m = collect();
    if (m.rows == m.runs) return status(RunStatus::completed);
    std::cerr << "arena: " << m.runs - m.rows << " runs have no row; `arena sweep " << o.spec
              << " --slurm --resume --out " << o.out << "` submits them again\n";
    return status(RunStatus::controller_failed);
}

}  // namespace arena::sweep
