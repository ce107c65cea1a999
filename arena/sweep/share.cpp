#include "arena/sweep/share.h"

#include <fstream>
#include <sstream>

#include "arena/record/whole_file.h"
#include "arena/report/write_report.h"
#include "arena/sweep/expansion.h"
#include "arena/sweep/merge.h"
#include "arena/sweep/pool.h"
#include "arena/sweep/progress.h"
#include "arena/sweep/rows.h"

namespace arena::sweep {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string numbered(std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "%06zu", index);
    return name;
}

fs::path recording_of(const fs::path& out, std::size_t index) { return out / "runs" / numbered(index); }
fs::path summary_of(const fs::path& out, std::size_t index) {
    return out / "tmp" / (numbered(index) + ".summary.json");
}
fs::path stderr_of(const fs::path& out, std::size_t index) { return out / "tmp" / (numbered(index) + ".stderr"); }

std::string seconds(const Json& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", t.is_number() ? t.get<double>() : 0.0);
    return text;
}

// The robots that did not end cleanly, from summary.json's exits:
// 'robot "crasher": SIGSEGV at 0.256 s'.
std::string robot_failures(const Json& exits) {
    std::string out;
    if (!exits.is_object()) return out;
    for (const auto& [robot, e] : exits.items()) {
        const std::string how = e.value("how", "");
        if (how == "stopped") continue;
        std::string what = "ended by the arena";
        if (how == "signal") what = "killed by " + e.value("signal", std::string("a signal"));
        if (how == "exited") what = "exited with status " + std::to_string(e.value("status", 0));
        out += (out.empty() ? "" : "; ") + ("robot \"" + robot + "\": " + what + " at " + seconds(e["time"]));
    }
    return out;
}

// Why a run failed, in one line: the summary's error or its robots' ends,
// else the arena's last word on standard error.
std::string failure_reason(const Finished& f, const Json& summary, const fs::path& stderr_file) {
    if (f.status == -1) return "killed by " + f.signal;
    if (f.status == 0) return "";
    if (summary.is_object() && summary.contains("error") && summary["error"].is_string()) {
        return summary["error"].get<std::string>();
    }
    if (summary.is_object()) {
        if (std::string robots = robot_failures(summary.value("exits", Json())); !robots.empty()) return robots;
    }
    std::string first, last_arena;
    std::ifstream in(stderr_file);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("arena: ")) last_arena = line.substr(7);
        if (first.empty()) first = line;
    }
    if (!last_arena.empty()) return last_arena;
    return first.empty() ? "exit status " + std::to_string(f.status) : first;
}

Json read_summary(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return nullptr;
    try {
        return Json::parse(read_text(file));
    } catch (const Json::exception&) {
        return nullptr;
    }
}

class Share {
public:
    Share(const Spec& spec, const ShareOptions& o) : spec_(spec), o_(o), runs_(expand(spec)) {}

    std::vector<Job> jobs(ShareResult& result, std::size_t& mine, std::size_t& succeeded) const {
        std::vector<Job> out;
        const std::map<std::size_t, Row> rows = o_.resume ? read_rows(o_.out) : std::map<std::size_t, Row>{};
        for (const Run& run : runs_) {
            if (run.index % o_.tasks != o_.task) continue;
            ++mine;
            if (const auto row = rows.find(run.index); row != rows.end()) {
                ++result.skipped;
                succeeded += row->second.success ? 1 : 0;
                continue;
            }
            out.push_back(job_of(run));
        }
        return out;
    }

    // Returns whether the run succeeded; nothing is kept of an interrupted one.
    std::optional<bool> finish(const Finished& f) {
        const Run& run = runs_[f.index];
        const fs::path recording = recording_of(o_.out, f.index);
        const bool recorded = o_.keep != Keep::none;
        std::error_code ec;
        if (f.status == 130) {
            fs::remove_all(recording, ec);
            clean(f.index);
            return std::nullopt;
        }
        const Json summary = read_summary(recorded ? recording / "summary.json" : summary_of(o_.out, f.index));
        Row row = make_row(spec_, run, f.status, failure_reason(f, summary, stderr_of(o_.out, f.index)), summary,
                           f.wall_time);
        const bool keep = recorded && (o_.keep == Keep::all || !row.success) && fs::is_directory(recording, ec);
        if (keep) {
            try {
                write_report(recording);
            } catch (const std::exception&) {
                // The recording is what matters; its page can be written later with `arena report`.
            }
            row.kept = "runs/" + numbered(f.index);
        } else {
            fs::remove_all(recording, ec);
        }
        write_row(o_.out, row);
        clean(f.index);
        return row.success;
    }

private:
    Job job_of(const Run& run) const {
        Job job{run.index, run_arguments(spec_, run), stderr_of(o_.out, run.index)};
        if (o_.keep == Keep::none) {
            job.args.insert(job.args.end(), {"--no-record", "--summary", summary_of(o_.out, run.index).string()});
        } else {
            // Every run is recorded, as nobody knows beforehand which will
            // fail; a success is removed unless all are kept. The report
            // is written only for the recordings kept.
            job.args.insert(job.args.end(),
                            {"--record", recording_of(o_.out, run.index).string(), "--overwrite", "--no-report"});
        }
        return job;
    }

    void clean(std::size_t index) const {
        std::error_code ec;
        fs::remove(summary_of(o_.out, index), ec);
        fs::remove(stderr_of(o_.out, index), ec);
    }

    const Spec& spec_;
    const ShareOptions& o_;
    std::vector<Run> runs_;
};

}  // namespace

// The folder is a sweep of this sweep file, or new. Tasks of one array share it,
// and may all copy the sweep file at once: the same bytes are no conflict.
void prepare_folder(const std::string& spec_text, const ShareOptions& o) {
    for (const char* sub : {"rows", "runs", "tmp"}) fs::create_directories(o.out / sub);
    const fs::path copy = kept_spec(o.out);
    std::error_code ec;
    if (fs::exists(copy, ec)) {
        if (read_text(copy) != spec_text) {
            throw SpecError(o.out.string() + " holds a sweep of another spec; choose another --out");
        }
        if (!o.resume && !o.shared_folder) {
            throw SpecError(o.out.string() + " holds this sweep already: --resume finishes it");
        }
        return;
    }
    try {
        write_whole_file(copy, spec_text);
    } catch (const std::exception&) {
        if (!(fs::exists(copy, ec) && read_text(copy) == spec_text)) throw;
    }
}

ShareResult run_share(const Spec& spec, const std::string& spec_text, const ShareOptions& o) {
    prepare_folder(spec_text, o);
    Share share(spec, o);
    ShareResult result;
    std::size_t mine = 0, succeeded = 0;
    const std::vector<Job> jobs = share.jobs(result, mine, succeeded);
    Progress progress(o.terminal, result.skipped, mine, succeeded);
    Pool pool(own_program(), o.jobs);
    const bool whole = pool.run(
        jobs,
        [&](const Finished& f) {
            if (const std::optional<bool> success = share.finish(f)) {
                progress.finished(*success);
                ++result.ran;
            }
        },
        [&] { progress.show(); });
    progress.clear();
    result.interrupted = !whole;
    return result;
}

}  // namespace arena::sweep
