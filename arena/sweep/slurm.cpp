#include "arena/sweep/slurm.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "arena/process/command_output.h"
#include "arena/record/whole_file.h"

namespace arena::sweep {
namespace {

// The last line a tool printed, without its own "sbatch: error: " prefix:
// that line says why, the ones before are context.
std::string last_line(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    }
    for (const char* tool : {"sbatch: ", "squeue: ", "scontrol: "}) {
        for (const char* level : {"error: ", "fatal: "}) {
            const std::string prefix = std::string(tool) + level;
            if (last.rfind(prefix, 0) == 0) last.erase(0, prefix.size());
        }
    }
    return last.empty() ? "it printed nothing" : last;
}

// A tool that is not there means this machine is not a node of a cluster.
CommandOutput run_tool(const std::vector<std::string>& argv) {
    CommandOutput r = run_command(argv);
    if (!r.started) {
        throw SlurmError(argv[0] + " could not be run (" + r.err +
                         "): --slurm works on a machine of a Slurm cluster, with its tools on PATH");
    }
    return r;
}

std::string field(const std::string& line, const std::string& key) {
    const std::string needle = key + "=";
    size_t at = 0;
    while ((at = line.find(needle, at)) != std::string::npos) {
        if (at == 0 || line[at - 1] == ' ') {
            const size_t start = at + needle.size();
            return line.substr(start, line.find(' ', start) - start);
        }
        at += needle.size();
    }
    return "";
}

}  // namespace

std::string submit_to_slurm(const SlurmJob& job) {
    const std::string script_text = batch_script(job);
    std::error_code ec;
    std::filesystem::create_directories(slurm_log_folder(job.out), ec);
    if (ec) throw SlurmError(slurm_log_folder(job.out).string() + ": cannot be created: " + ec.message());
    const std::filesystem::path script = job.out / "sweep.sbatch";
    try {
        write_whole_file(script, script_text);
    } catch (const std::exception& e) {
        throw SlurmError(e.what());
    }
    const CommandOutput r = run_tool({"sbatch", "--parsable", script.string()});
    // --parsable prints "ID" or "ID;CLUSTER".
    const std::string id = r.out.substr(0, r.out.find_first_of(";\n"));
    const bool numeric = !id.empty() && id.find_first_not_of("0123456789") == std::string::npos;
    if (r.status != 0 || !numeric) {
        throw SlurmError("sbatch did not take " + script.string() + ": " + last_line(r.err));
    }
    return id;
}

void wait_for_slurm_job(const std::string& job_id) {
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    int failures = 0;
    for (;;) {
        const CommandOutput r = run_tool({"squeue", "--noheader", "--jobs=" + job_id, "--format=%T"});
        if (r.status == 0 && r.out.find_first_not_of(" \n") == std::string::npos) return;
        // The controller forgets a job some minutes after it ends.
        if (r.status != 0 && r.err.find("Invalid job id") != std::string::npos) return;
        if (r.status != 0 && ++failures == 5) {
            throw SlurmError("squeue cannot tell how job " + job_id + " is doing: " + last_line(r.err));
        }
        if (r.status == 0) failures = 0;
        // A twentieth of the time waited so far: the end of a short job is
        // seen soon, and a long one does not keep the controller busy.
        const auto waited = std::chrono::duration<double>(clock::now() - start).count();
        const double pause = std::min(0.1 + waited / 20.0, 5.0);
        std::this_thread::sleep_for(std::chrono::duration<double>(pause));
    }
}

std::vector<SlurmTaskEnd> slurm_tasks_not_completed(const std::string& job_id) {
    const CommandOutput r = run_tool({"scontrol", "--oneliner", "show", "job", job_id});
    std::vector<SlurmTaskEnd> ends;
    if (r.status != 0) return ends;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        SlurmTaskEnd end{field(line, "ArrayTaskId"), field(line, "JobState"), field(line, "ExitCode")};
        if (!end.state.empty() && end.state != "COMPLETED") ends.push_back(end);
    }
    return ends;
}

}  // namespace arena::sweep
