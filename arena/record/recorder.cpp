#include "arena/record/recorder.h"

#include <stdexcept>

#include "arena/record/recording_json.h"
#include "arena/record/scene_json.h"
#include "arena/record/whole_file.h"

namespace arena {
namespace {

namespace fs = std::filesystem;

// What marks a folder as holding a recording, and what a new one replaces.
// scene.json alone does not: it is rewritten before anything else.
constexpr const char* kRecordingFiles[] = {"summary.json", "console.log", "poses.csv",
                                           "traces",       "report.html", "recording.json"};

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

fs::path prepared(const fs::path& dir, bool overwrite) {
    for (const char* name : kRecordingFiles) {
        if (!present(dir / name)) continue;
        if (!overwrite)
            throw std::runtime_error(dir.string() + " already holds a recording; use --overwrite to replace it");
        std::error_code ec;
        fs::remove_all(dir / name, ec);
        if (ec) throw std::runtime_error("cannot remove " + (dir / name).string() + ": " + ec.message());
    }
    std::error_code ec;
    fs::create_directories(dir / "traces", ec);
    if (ec) throw std::runtime_error("cannot create " + (dir / "traces").string() + ": " + ec.message());
    return dir;
}

}  // namespace

void write_json_file(const fs::path& file, const nlohmann::json& j) { write_whole_file(file, j.dump(2) + '\n'); }

Recorder::Recorder(const fs::path& dir, const World& world, bool overwrite)
    : dir_(prepared(dir, overwrite)), console_(dir / "console.log"), poses_(dir / "poses.csv") {
    traces_.reserve(world.robots.size());
    for (const BoundRobot& r : world.robots) traces_.emplace_back(dir / "traces" / (r.spec->name + ".jsonl"));
    write_json_file(dir / "recording.json", recording_json(world));
    write_json_file(dir / "scene.json", scene_json(world.scene.model()));
}

void Recorder::trace(std::size_t robot, const nlohmann::json& step) { traces_[robot].append(step.dump() + '\n'); }

void Recorder::summary(const nlohmann::json& summary) { write_json_file(dir_ / "summary.json", summary); }

}  // namespace arena
