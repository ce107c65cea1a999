#include "arena/report/write_report.h"

#include <algorithm>

#include "arena/record/whole_file.h"
#include "arena/report/bundle.h"
#include "arena/report/console_view.h"
#include "arena/report/page_html.h"
#include "arena/report/poses_view.h"
#include "arena/report/recording_lines.h"
#include "arena/report/shown_text.h"
#include "arena/report/trace_view.h"

namespace arena {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// Texts kept as {"hex": ...} are shown as strings, as poses.csv's names are.
Json read_json(const fs::path& file) {
    try {
        return shown_json(parse_json(read_file(file)));
    } catch (const RecordingError& e) {
        const std::string what = e.what();
        throw RecordingError(what.starts_with(file.string()) ? what : file.string() + ": " + what);
    }
}

// What recording.json states of the robots: their order in the world and
// each one's device types; nothing for an older recording without one.
struct StatedRobots {
    std::vector<std::string> order;
    std::map<std::string, DeviceTypes> types;
};

StatedRobots stated_robots(const fs::path& recording) {
    StatedRobots out;
    if (!present(recording)) return out;
    const Json j = read_json(recording);
    try {
        for (const Json& robot : j.at("robots")) {
            const std::string name = robot.at("name").get<std::string>();
            out.order.push_back(name);
            DeviceTypes& types = out.types[name];
            for (const Json& d : robot.at("devices"))
                types[d.at("name").get<std::string>()] = d.at("type").get<std::string>();
        }
    } catch (const Json::exception& e) {
        throw RecordingError(recording.string() + ": " + e.what());
    }
    return out;
}

// The robots with traces as the world lists them; a trace the world does not
// name (an older recording) follows, by name.
Json robot_order(const std::vector<std::string>& stated, const Json& traced) {
    Json out = Json::array();
    for (const std::string& name : stated)
        if (traced.contains(name)) out.push_back(name);
    for (const auto& [name, trace] : traced.items())
        if (std::find(stated.begin(), stated.end(), name) == stated.end()) out.push_back(name);
    return out;
}

Json robots(const fs::path& dir, const std::map<std::string, DeviceTypes>& types, std::size_t max_steps,
            std::vector<std::string>& notes) {
    Json out = Json::object();
    if (!present(dir)) {
        notes.push_back("no traces/ folder: no robot plots");
        return out;
    }
    if (!fs::is_directory(dir)) throw RecordingError(dir.string() + ": not a folder");
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".jsonl") {
            const std::string robot = entry.path().stem().string();
            const auto stated = types.find(robot);
            out[robot] =
                trace_view(entry.path(), stated != types.end() ? stated->second : DeviceTypes{}, max_steps, notes);
        }
    }
    return out;
}

}  // namespace

Json report_data(const fs::path& dir, const ReportLimits& limits) {
    for (const char* required : {"scene.json", "poses.csv"}) {
        if (!present(dir / required)) {
            throw RecordingError(dir.string() + " is not a recording: it has no " + required);
        }
    }
    std::vector<std::string> notes;
    Json data;
    const fs::path full = fs::absolute(dir).lexically_normal();
    data["name"] = (full.has_filename() ? full : full.parent_path()).filename().string();
    if (present(dir / "summary.json")) {
        data["summary"] = read_json(dir / "summary.json");
    } else {
        data["summary"] = nullptr;
        notes.push_back("no summary.json (did the run end early?)");
    }
    data["scene"] = read_json(dir / "scene.json");
    data["poses"] = poses_view(dir / "poses.csv", limits.frames, notes);
    ConsoleView console;
    if (present(dir / "console.log")) console = console_view(dir / "console.log", limits.console_lines, notes);
    data["console"] = std::move(console.lines);
    data["consoleOmitted"] = console.omitted;
    const StatedRobots stated = stated_robots(dir / "recording.json");
    data["robots"] = robots(dir / "traces", stated.types, limits.steps, notes);
    data["robotOrder"] = robot_order(stated.order, data["robots"]);
    data["notes"] = notes;
    return data;
}

std::string report_html(const Json& data) {
    std::string title = "Run report";
    if (data.contains("summary") && data["summary"].is_object() && data["summary"].contains("title") &&
        data["summary"]["title"].is_string()) {
        title = data["summary"]["title"].get<std::string>();
    }
    return page_html({title, report_style(), report_script(), "report-data", data});
}

fs::path write_report(const fs::path& dir, const ReportLimits& limits) {
    const std::string page = report_html(report_data(dir, limits));
    // Whole or not at all, and never written through a planted symlink.
    const fs::path target = dir / "report.html";
    write_whole_file(target, page);
    return target;
}

}  // namespace arena
