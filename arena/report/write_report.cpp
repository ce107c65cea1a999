#include "arena/report/write_report.h"

#include <fstream>

#include "arena/report/bundle.h"
#include "arena/report/console_view.h"
#include "arena/report/poses_view.h"
#include "arena/report/recording_lines.h"
#include "arena/report/trace_view.h"

namespace arena {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

Json read_json(const fs::path& file) {
    try {
        return Json::parse(read_file(file));
    } catch (const Json::exception& e) {
        throw RecordingError(file.string() + ": " + e.what());
    }
}

Json robots(const fs::path& dir, std::size_t max_steps, std::vector<std::string>& notes) {
    Json out = Json::object();
    if (!fs::is_directory(dir)) {
        notes.push_back("no traces/ folder: no robot plots");
        return out;
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".jsonl") {
            out[entry.path().stem().string()] = trace_view(entry.path(), max_steps, notes);
        }
    }
    return out;
}

std::string html_escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// JSON inside a <script> element: a "<" can only occur inside a string, where
// \u003c means the same, so no "</script>" in a robot's text can end the element.
// Bytes that are not UTF-8 (a robot may print anything) become U+FFFD.
std::string script_safe_json(const Json& data) {
    const std::string text = data.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<') out += "\\u003c";
        else out += c;
    }
    return out;
}

}  // namespace

Json report_data(const fs::path& dir, const ReportLimits& limits) {
    for (const char* required : {"scene.json", "poses.csv"}) {
        if (!fs::is_regular_file(dir / required)) {
            throw RecordingError(dir.string() + " is not a recording: it has no " + required);
        }
    }
    std::vector<std::string> notes;
    Json data;
    const fs::path full = fs::absolute(dir).lexically_normal();
    data["name"] = (full.has_filename() ? full : full.parent_path()).filename().string();
    if (fs::is_regular_file(dir / "summary.json")) {
        data["summary"] = read_json(dir / "summary.json");
    } else {
        data["summary"] = nullptr;
        notes.push_back("no summary.json (did the run end early?)");
    }
    data["scene"] = read_json(dir / "scene.json");
    data["poses"] = poses_view(dir / "poses.csv", limits.frames, notes);
    ConsoleView console;
    if (fs::is_regular_file(dir / "console.log")) console = console_view(dir / "console.log", limits.console_lines, notes);
    data["console"] = std::move(console.lines);
    data["consoleOmitted"] = console.omitted;
    data["robots"] = robots(dir / "traces", limits.steps, notes);
    data["notes"] = notes;
    return data;
}

std::string report_html(const Json& data) {
    std::string title = "Run report";
    if (data.contains("summary") && data["summary"].is_object()) title = data["summary"].value("title", title);
    std::string page;
    page += "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>" + html_escaped(title) + "</title>\n<style>";
    page += report_style();
    page += "</style></head>\n<body><div id=\"app\"></div>\n";
    page += "<script type=\"application/json\" id=\"report-data\">";
    page += script_safe_json(data);
    page += "</script>\n<script>";
    page += report_script();
    page += "</script></body></html>\n";
    return page;
}

fs::path write_report(const fs::path& dir, const ReportLimits& limits) {
    const std::string page = report_html(report_data(dir, limits));
    // Written beside and renamed, so a reader never sees half a page.
    const fs::path target = dir / "report.html";
    const fs::path partial = dir / "report.html.partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << page;
        out.close();
        if (!out) throw RecordingError("cannot write " + partial.string());
    }
    fs::rename(partial, target);
    return target;
}

}  // namespace arena
