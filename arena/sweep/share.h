// Runs a share of a sweep's runs into its folder: those whose index % tasks
// == task, skipping the ones that have a row when resuming. Each finished
// run leaves its row (DIR/rows/INDEX.json) and, when kept, its recording
// (DIR/runs/INDEX/). Merging the rows is the caller's choice.
#ifndef ARENA_SWEEP_SHARE_H
#define ARENA_SWEEP_SHARE_H

#include <filesystem>
#include <string>

#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

struct ShareOptions {
    std::filesystem::path out;
    int jobs = 1;
    Keep keep = Keep::failures;
    bool resume = false;
    std::size_t tasks = 1;
    std::size_t task = 0;
    bool shared_folder = false;  // other tasks write into the same folder
    bool terminal = false;       // show the progress line
};

struct ShareResult {
    bool interrupted = false;
    std::size_t ran = 0;      // runs that finished here
    std::size_t skipped = 0;  // runs that already had a row
};

// Makes the folder a sweep of this sweep file (copying spec_text into it), or
// checks that it is one. Throws SpecError when it holds another sweep, or
// this one and neither resume nor shared_folder is set.
void prepare_folder(const std::string& spec_text, const ShareOptions& o);

// spec_text: the sweep file's bytes, copied into the folder. Throws
// SpecError when the folder holds another sweep, RecordWriteError when a row
// cannot be written.
ShareResult run_share(const Spec& spec, const std::string& spec_text, const ShareOptions& options);

}  // namespace arena::sweep

#endif
