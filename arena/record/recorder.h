// A run's recording folder (--record DIR): console.log, traces/ROBOT.jsonl,
// poses.csv, scene.json and summary.json, each written as the run goes.
#ifndef ARENA_RECORD_RECORDER_H
#define ARENA_RECORD_RECORDER_H

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/record/console_log.h"
#include "arena/record/poses_csv.h"
#include "arena/world/world.h"

namespace arena {

class Recorder {
public:
    // Creates the folder (and traces/) and writes scene.json. Throws
    // std::runtime_error if it cannot.
    Recorder(const std::filesystem::path& dir, const World& world);

    ConsoleLog& console() { return console_; }
    PosesCsv& poses() { return poses_; }
    void trace(std::size_t robot, const nlohmann::json& step);
    // Written whole to a temporary file, then renamed into place, so a
    // reader never sees half a summary.
    void summary(const nlohmann::json& summary);

private:
    std::filesystem::path dir_;
    ConsoleLog console_;
    PosesCsv poses_;
    std::vector<std::unique_ptr<std::ofstream>> traces_;  // manifest order
};

}  // namespace arena

#endif
