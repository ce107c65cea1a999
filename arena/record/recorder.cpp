#include "arena/record/recorder.h"

#include <stdexcept>

#include "arena/record/scene_json.h"

namespace arena {
namespace {

std::filesystem::path made(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir / "traces", ec);
    if (ec) throw std::runtime_error("cannot create " + (dir / "traces").string() + ": " + ec.message());
    return dir;
}

void write_json(const std::filesystem::path& file, const nlohmann::json& j) {
    std::filesystem::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        out << j.dump(2) << '\n';
        if (!out) throw std::runtime_error("cannot write " + tmp.string());
    }
    std::filesystem::rename(tmp, file);
}

}  // namespace

Recorder::Recorder(const std::filesystem::path& dir, const World& world)
    : dir_(made(dir)), console_(dir / "console.log"), poses_(dir / "poses.csv") {
    for (const BoundRobot& r : world.robots) {
        auto f = std::make_unique<std::ofstream>(dir / "traces" / (r.spec->name + ".jsonl"), std::ios::binary);
        if (!*f) throw std::runtime_error("cannot write traces for " + r.spec->name);
        traces_.push_back(std::move(f));
    }
    write_json(dir / "scene.json", scene_json(world.scene.model()));
}

void Recorder::trace(std::size_t robot, const nlohmann::json& step) {
    *traces_[robot] << step.dump() << '\n';
    traces_[robot]->flush();
}

void Recorder::summary(const nlohmann::json& summary) { write_json(dir_ / "summary.json", summary); }

}  // namespace arena
