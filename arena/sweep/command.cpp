#include "arena/sweep/command.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "arena/record/record_write_error.h"
#include "arena/run/run_kinds.h"
#include "arena/sweep/merge.h"
#include "arena/sweep/preflight.h"
#include "arena/sweep/share.h"
#include "arena/sweep/slurm_sweep.h"

namespace arena::sweep {
namespace {

namespace fs = std::filesystem;

constexpr int status(RunStatus s) { return int(s); }

// Like a run's recording, a sweep without --out gets a folder of its own.
std::string default_out(const std::string& spec) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    const std::string base = "runs/sweep-" + fs::path(spec).stem().string() + "-" + stamp;
    std::string candidate = base;
    for (int n = 2; fs::exists(candidate); ++n) candidate = base + "-" + std::to_string(n);
    return candidate;
}

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void say_merged(const fs::path& dir, const Merged& m) {
    std::cerr << "arena: sweep: " << m.rows << " of " << m.runs << " runs done, " << m.succeeded << " succeeded; "
              << (dir / "results.csv").string() << ", " << (dir / "sweep.html").string() << "\n";
}

int collect(const fs::path& dir) {
    const Merged m = merge(dir);
    say_merged(dir, m);
    return status(RunStatus::completed);
}

int sweep(const Options& o) {
    const Spec spec = read_spec(o.spec);
    check_first_points(spec);
    ShareOptions share;
    share.out = o.out.empty() ? default_out(o.spec) : o.out;
    // One run per core: the pool has runs that share a core sleep rather
    // than watch for their turn.
    const unsigned cores = std::thread::hardware_concurrency();
    share.jobs = o.jobs > 0 ? o.jobs : int(std::max(1u, cores));
    share.keep = o.keep;
    share.resume = o.resume;
    share.tasks = o.tasks.value_or(1);
    share.task = o.array_task.value_or(0);
    share.shared_folder = o.array_task.has_value();
    share.terminal = isatty(2) != 0;
    const ShareResult r = run_share(spec, read_text(o.spec), share);
    if (r.interrupted) {
        std::cerr << "arena: sweep interrupted after " << r.ran << " more runs; rows so far are kept in "
                  << share.out.string() << "; `arena sweep " << o.spec << " --out " << share.out.string()
                  << " --resume` finishes it\n";
        return status(RunStatus::interrupted);
    }
    // A share of an array leaves the merge to whoever collects the tasks.
    if (o.array_task) {
        std::cerr << "arena: sweep task " << share.task << " of " << share.tasks << ": " << r.ran << " runs done, "
                  << r.skipped << " had rows already\n";
        return status(RunStatus::completed);
    }
    say_merged(share.out, merge(share.out));
    return status(RunStatus::completed);
}

}  // namespace

CLI::App* add_command(CLI::App& app, Options& o) {
    CLI::App* cmd = app.add_subcommand(
        "sweep",
        "Run a world many times with values changed (a sweep spec, TOML) and collect each run's figures into "
        "DIR/results.csv, DIR/sweep.json and DIR/sweep.html");
    // Its own statuses: without a footer of its own, the arena's would show.
    cmd->footer(
        "A run that fails is a row with its reason. Exit status: 0 the sweep finished (whatever its\n"
        "runs did); 1 with --slurm --wait, a task left runs without a row; 2 a bad spec or usage; 3 a\n"
        "result could not be written; 4 with --slurm --wait, squeue could not tell how the job was doing;\n"
        "130 interrupted (rows so far kept; --resume finishes).");
    cmd->add_option("SPEC", o.spec, "Sweep spec (TOML; see docs/sweeps.md)");
    cmd->add_option("--out", o.out,
                    "Folder of the sweep's rows, results and kept runs (default: runs/sweep-SPEC-DATE-TIME)");
    cmd->add_option("--jobs", o.jobs,
                    "Runs at a time (default: one per core; with "
                    "--slurm: the CPUs each task asks for and keeps busy, default 1)")
        ->check(CLI::Range(1, 1024));
    cmd->add_option("--keep", o.keep, "Recordings kept: all, failures (default) or none")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, Keep>{{"all", Keep::all}, {"failures", Keep::failures}, {"none", Keep::none}}))
        ->option_text("all|failures|none");
    cmd->add_flag("--resume", o.resume, "Finish a sweep in --out: skip the runs that have a row");
    cmd->add_option("--tasks", o.tasks,
                    "With --array-task: the number of tasks sharing the runs; with --slurm: the job array's size "
                    "(default: one task per 10 runs, at most 1000)")
        ->check(CLI::Range(std::size_t(1), std::size_t(1) << 20));
    cmd->add_option("--array-task", o.array_task,
                    "Run only the runs whose index % --tasks is this, and merge nothing (a share of a cluster's "
                    "job array); --collect merges")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--collect", o.collect, "Merge the rows in this sweep folder into its results; run nothing");
    add_slurm_options(*cmd, o);
    return cmd;
}

int run_command(const Options& o) {
    try {
        if (!o.collect.empty()) {
            if (!o.spec.empty()) throw SpecError("--collect takes a sweep folder, and no SPEC");
            return collect(o.collect);
        }
        if (o.spec.empty()) throw SpecError("a sweep needs a SPEC (or --collect DIR)");
        if (o.array_task && *o.array_task >= o.tasks.value_or(1)) {
            throw SpecError("--array-task must be below --tasks (" + std::to_string(o.tasks.value_or(1)) + ")");
        }
        if (o.array_task && o.out.empty()) throw SpecError("--array-task needs --out: the tasks share one folder");
        if (o.resume && o.out.empty()) throw SpecError("--resume needs --out: the folder of the sweep to finish");
        if (o.slurm) {
            return sweep_on_slurm(o, [&] {
                const Merged m = merge(o.out);
                say_merged(o.out, m);
                return m;
            });
        }
        return sweep(o);
    } catch (const SpecError& e) {
        std::cerr << "arena: " << e.what() << "\n";
        return status(RunStatus::bad_world);
    } catch (const RecordWriteError& e) {
        std::cerr << "arena: a sweep result could not be written: " << e.what() << "\n";
        return status(RunStatus::recording_failed);
    } catch (const fs::filesystem_error& e) {
        std::cerr << "arena: a sweep result could not be written: " << e.what() << "\n";
        return status(RunStatus::recording_failed);
    }
}

}  // namespace arena::sweep
