// One finished run, as a file of its own: DIR/rows/INDEX.json, written whole
// or not at all. Whoever ran it (the local pool, a Slurm array task), the
// merge reads the same rows; a run without a row has not finished.
#ifndef ARENA_SWEEP_ROWS_H
#define ARENA_SWEEP_ROWS_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "arena/sweep/expansion.h"
#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

struct Row {
    std::size_t index = 0;
    std::size_t point = 0;
    std::uint64_t seed = 0;
    nlohmann::json parameters = nlohmann::json::object();  // label -> value
    nlohmann::json figures = nlohmann::json::object();     // label -> value (null when the run has none)
    bool success = false;
    int status = 0;      // `arena run`'s exit status; -1 when it was killed by a signal
    std::string reason;  // why the run failed, "" when it did not
    double wall_time = 0;
    std::string kept;  // recording folder relative to DIR, "" when none was kept
};

// The row of a run, from how its process ended and its summary.json
// (null when it wrote none).
Row make_row(const Spec& spec, const Run& run, int status, const std::string& reason, const nlohmann::json& summary,
             double wall_time);

std::filesystem::path rows_folder(const std::filesystem::path& dir);
std::filesystem::path row_file(const std::filesystem::path& dir, std::size_t index);
bool has_row(const std::filesystem::path& dir, std::size_t index);

// Throws RecordWriteError when the row cannot be written.
void write_row(const std::filesystem::path& dir, const Row& row);

// Every row under DIR/rows, by index. Throws SpecError naming a row file
// that cannot be read.
std::map<std::size_t, Row> read_rows(const std::filesystem::path& dir);

nlohmann::json to_json(const Row& row);
Row row_from_json(const nlohmann::json& j);

// A figure of summary.json's "figures" by its dot-separated path
// ("course.gates.0.time"); null when it is not there.
nlohmann::json figure_at(const nlohmann::json& figures, const std::string& path);
// The figure that says whether a run succeeded (see Spec::success).
nlohmann::json success_figure(const nlohmann::json& figures, const std::string& path);

}  // namespace arena::sweep

#endif
