#include "arena/sweep/rows.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "arena/record/whole_file.h"

namespace arena::sweep {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

}  // namespace

Json figure_at(const Json& figures, const std::string& path) {
    const Json* at = &figures;
    std::stringstream in(path);
    for (std::string part; std::getline(in, part, '.');) {
        if (at->is_object() && at->contains(part)) {
            at = &(*at)[part];
        } else if (at->is_array() && !part.empty() && part.find_first_not_of("0123456789") == std::string::npos &&
                   std::stoull(part) < at->size()) {
            at = &(*at)[std::stoull(part)];
        } else {
            return nullptr;
        }
    }
    return *at;
}

Json success_figure(const Json& figures, const std::string& path) {
    if (!path.empty()) return figure_at(figures, path);
    if (const Json own = figure_at(figures, "success"); !own.is_null()) return own;
    Json found = nullptr;
    if (figures.is_object()) {
        for (const auto& [group, value] : figures.items()) {
            if (!value.is_object() || !value.contains("success")) continue;
            if (!found.is_null()) return nullptr;  // two groups: the sweep file must say which
            found = value["success"];
        }
    }
    return found;
}

Row make_row(const Spec& spec, const Run& run, int status, const std::string& reason, const Json& summary,
             double wall_time) {
    Row row;
    row.index = run.index;
    row.point = run.point;
    row.seed = run.seed;
    for (const Setting& s : run.settings)
        if (s.varied) row.parameters[s.label] = s.value;
    const Json figures = summary.is_object() && summary.contains("figures") ? summary["figures"] : Json(nullptr);
    for (const Figure& f : spec.figures) row.figures[f.label] = figure_at(figures, f.path);
    row.status = status;
    row.wall_time = wall_time;
    const Json success = success_figure(figures, spec.success);
    row.success = status == 0 && success == true;
    row.reason = reason;
    if (status == 0 && !success.is_boolean()) {
        row.reason = "summary.json has no figure \"" + (spec.success.empty() ? "success" : spec.success) + "\"";
    }
    return row;
}

fs::path rows_folder(const fs::path& dir) { return dir / "rows"; }

fs::path row_file(const fs::path& dir, std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "%06zu.json", index);
    return rows_folder(dir) / name;
}

bool has_row(const fs::path& dir, std::size_t index) {
    std::error_code ec;
    return fs::is_regular_file(row_file(dir, index), ec);
}

Json to_json(const Row& row) {
    return {
        {"index", row.index},         {"point", row.point},     {"seed", row.seed},     {"parameters", row.parameters},
        {"figures", row.figures},     {"success", row.success}, {"status", row.status}, {"reason", row.reason},
        {"wall_time", row.wall_time}, {"kept", row.kept}};
}

Row row_from_json(const Json& j) {
    Row row;
    row.index = j.at("index").get<std::size_t>();
    row.point = j.at("point").get<std::size_t>();
    row.seed = j.at("seed").get<std::uint64_t>();
    row.parameters = j.at("parameters");
    row.figures = j.at("figures");
    row.success = j.at("success").get<bool>();
    row.status = j.at("status").get<int>();
    row.reason = j.at("reason").get<std::string>();
    row.wall_time = j.at("wall_time").get<double>();
    row.kept = j.at("kept").get<std::string>();
    return row;
}

void write_row(const fs::path& dir, const Row& row) {
    write_whole_file(row_file(dir, row.index), to_json(row).dump() + "\n");
}

std::map<std::size_t, Row> read_rows(const fs::path& dir) {
    std::map<std::size_t, Row> out;
    std::error_code ec;
    if (!fs::is_directory(rows_folder(dir), ec)) return out;
    for (const auto& entry : fs::directory_iterator(rows_folder(dir))) {
        if (entry.path().extension() != ".json" || !entry.is_regular_file()) continue;  // *.partial among them
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        try {
            Row row = row_from_json(Json::parse(text.str()));
            out[row.index] = std::move(row);
        } catch (const Json::exception& e) {
            throw SpecError(entry.path().string() + ": not a row of a sweep: " + e.what());
        }
    }
    return out;
}

}  // namespace arena::sweep
