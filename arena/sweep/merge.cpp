#include "arena/sweep/merge.h"

#include <algorithm>

#include "arena/record/whole_file.h"
#include "arena/sweep/csv.h"
#include "arena/sweep/expansion.h"
#include "arena/sweep/html.h"

namespace arena::sweep {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::vector<std::string> figure_labels(const Spec& spec) {
    std::vector<std::string> out;
    for (const Figure& f : spec.figures) out.push_back(f.label);
    return out;
}

// Each varied value's key and its distinct values in the sweep file's order.
Json parameters(const Spec& spec) {
    Json out = Json::array();
    for (const std::string& label : parameter_labels(spec)) {
        Json values = Json::array();
        std::string key;
        for (const Grid& g : spec.grids)
            for (const Axis& a : g.axes)
                if (a.label == label) {
                    key = a.key;
                    for (const Json& v : a.values)
                        if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
                }
        out.push_back({{"label", label}, {"key", key}, {"values", values}});
    }
    return out;
}

}  // namespace

fs::path kept_spec(const fs::path& dir) { return dir / "spec.toml"; }

Json sweep_json(const std::string& name, const Spec& spec, const std::map<std::size_t, Row>& rows) {
    Json out;
    out["name"] = name;
    out["runs"] = expand(spec).size();
    out["runs_per_point"] = spec.runs;
    out["parameters"] = parameters(spec);
    out["figures"] = figure_labels(spec);
    out["success_figure"] = spec.success.empty() ? "success" : spec.success;
    Json list = Json::array();
    for (const auto& [index, row] : rows) list.push_back(to_json(row));
    out["rows"] = list;
    return out;
}

Merged merge(const fs::path& dir) {
    std::error_code ec;
    if (!fs::is_regular_file(kept_spec(dir), ec)) {
        throw SpecError(dir.string() + ": not a sweep folder (it has no spec.toml)");
    }
    const Spec spec = read_spec(kept_spec(dir));
    const std::map<std::size_t, Row> rows = read_rows(dir);
    const fs::path full = fs::absolute(dir).lexically_normal();
    const Json data = sweep_json((full.has_filename() ? full : full.parent_path()).filename().string(), spec, rows);
    write_whole_file(dir / "results.csv", results_csv(parameter_labels(spec), figure_labels(spec), rows));
    write_whole_file(dir / "sweep.json", data.dump(1) + "\n");
    write_whole_file(dir / "sweep.html", sweep_html(data));
    Merged m;
    m.runs = data["runs"].get<std::size_t>();
    m.rows = rows.size();
    for (const auto& [index, row] : rows) m.succeeded += row.success ? 1 : 0;
    return m;
}

}  // namespace arena::sweep
