#include "arena/sweep/slurm_script.h"

#include <string_view>

namespace arena::sweep {
namespace {

// For the shell line: single quotes keep everything but a single quote.
std::string shell_quoted(std::string_view s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// For an #SBATCH line, which sbatch splits itself: inside double quotes
// spaces stay, a backslash keeps a quote or a backslash, and %% is a '%' in a
// file name pattern.
std::string sbatch_escaped(std::string_view s) {
    std::string q;
    for (char c : s) {
        if (c == '"' || c == '\\') q += '\\';
        if (c == '%') q += '%';
        q += c;
    }
    return q;
}

void check_line(const std::string& what, const std::string& text) {
    if (text.find_first_of("\n\r") != std::string::npos) {
        throw SlurmError(what + ": a line break cannot go into a batch script");
    }
}

// Letters, digits, '-', '_' and '.', so that squeue's columns stay readable.
std::string job_name(const std::filesystem::path& spec) {
    std::string name = "arena-sweep-";
    for (char c : spec.stem().string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        name += plain ? c : '_';
    }
    return name;
}

}  // namespace

std::filesystem::path slurm_log_folder(const std::filesystem::path& out) { return out / "slurm"; }

std::string batch_script(const SlurmJob& job) {
    for (const auto& p : {job.arena, job.spec, job.out}) check_line(p.string(), p.string());
    check_line("--partition", job.partition);
    std::string s =
        "#!/bin/sh\n"
        "# Written by `arena sweep --slurm`: a job array whose task I runs the sweep's\n"
        "# runs with index % TASKS == I and writes their rows into the sweep's folder;\n"
        "# `arena sweep --collect` on that folder merges them once every task has ended.\n";
    s += "#SBATCH --job-name=" + job_name(job.spec) + "\n";
    s += "#SBATCH --array=0-" + std::to_string(job.tasks - 1) + "\n";
    s += "#SBATCH --ntasks=1\n";
    s += "#SBATCH --cpus-per-task=" + std::to_string(job.cpus_per_task) + "\n";
    // %A_%a: the job's number and the task's.
    s += "#SBATCH --output=\"" + sbatch_escaped(slurm_log_folder(job.out).string()) + "/%A_%a.out\"\n";
    if (!job.partition.empty()) s += "#SBATCH --partition=\"" + sbatch_escaped(job.partition) + "\"\n";
    s += "exec " + shell_quoted(job.arena.string()) + " sweep " + shell_quoted(job.spec.string()) + " --out " +
         shell_quoted(job.out.string()) + " --tasks " + std::to_string(job.tasks) +
         " --array-task \"$SLURM_ARRAY_TASK_ID\" --jobs " + std::to_string(job.cpus_per_task);
    for (const std::string& option : job.share_options) {
        check_line(option, option);
        s += " " + shell_quoted(option);
    }
    return s + "\n";
}

}  // namespace arena::sweep
