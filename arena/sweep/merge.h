// Merges whatever rows a sweep folder holds into results.csv, sweep.json
// and sweep.html, the same whoever wrote the rows: the local pool at the
// end of a sweep, or `arena sweep --collect DIR` after a Slurm array.
#ifndef ARENA_SWEEP_MERGE_H
#define ARENA_SWEEP_MERGE_H

#include <cstddef>
#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "arena/sweep/rows.h"
#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

// The copy of the sweep file a sweep folder keeps (DIR/spec.toml): what its rows
// mean. Runs are started from the sweep file where it lives, beside its world.
std::filesystem::path kept_spec(const std::filesystem::path& dir);

struct Merged {
    std::size_t runs = 0;  // in the sweep file
    std::size_t rows = 0;  // finished
    std::size_t succeeded = 0;
};

// Throws SpecError for a folder that holds no sweep or a bad row, and
// RecordWriteError when a result cannot be written.
Merged merge(const std::filesystem::path& dir);

// sweep.json's content; name: the sweep's folder's.
nlohmann::json sweep_json(const std::string& name, const Spec& spec, const std::map<std::size_t, Row>& rows);

}  // namespace arena::sweep

#endif
