// A run's recording folder (--record DIR): recording.json (its format and
// each robot's drive and devices), console.log, traces/ROBOT.jsonl,
// poses.csv, scene.json and summary.json, each written as the run goes.
// Every write is checked: a full disk or an I/O error throws
// RecordWriteError (record_write_error.h), and what was written before
// stays readable, in whole lines.
#ifndef ARENA_RECORD_RECORDER_H
#define ARENA_RECORD_RECORDER_H

#include <filesystem>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/record/console_log.h"
#include "arena/record/poses_csv.h"
#include "arena/record/record_file.h"
#include "arena/record/record_write_error.h"
#include "arena/world/world.h"

namespace arena {

class Recorder {
public:
    // Creates the folder (and traces/) and writes scene.json. A folder that
    // already holds a recording is refused unless overwrite is asked, and
    // then the old recording's files are removed first, so no stale trace,
    // summary or report is mixed with the new run. Throws
    // std::runtime_error (RecordWriteError for a failed write) if it cannot.
    Recorder(const std::filesystem::path& dir, const World& world, bool overwrite = false);

    ConsoleLog& console() { return console_; }
    PosesCsv& poses() { return poses_; }
    void trace(std::size_t robot, const nlohmann::json& step);
    // Whole or absent, never cut (whole_file.h).
    void summary(const nlohmann::json& summary);

private:
    std::filesystem::path dir_;
    ConsoleLog console_;
    PosesCsv poses_;
    std::vector<RecordFile> traces_;  // manifest order
};

// Writes j, indented, as a whole-or-absent file.
void write_json_file(const std::filesystem::path& file, const nlohmann::json& j);

}  // namespace arena

#endif
