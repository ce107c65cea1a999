#include "arena/sweep/expansion.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace arena::sweep {
namespace {

using Json = nlohmann::json;

// Shortest text that reads back as the same double.
std::string number_text(double v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, end);
    if (s.find_first_of(".eEn") == std::string::npos) s += ".0";  // a TOML float, not an integer
    return s;
}

std::string toml_text(const Json& v, bool bare_strings) {
    if (v.is_array()) {
        std::string out = bare_strings ? "" : "[";
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (i) out += bare_strings ? " " : ", ";
            out += toml_text(v[i], bare_strings);
        }
        return bare_strings ? out : out + "]";
    }
    if (v.is_number_integer()) return std::to_string(v.get<std::int64_t>());
    if (v.is_number()) return bare_strings ? Json(v.get<double>()).dump() : number_text(v.get<double>());
    if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
    if (bare_strings) return v.get<std::string>();
    return Json(v.get<std::string>()).dump();  // a JSON string is a TOML basic string
}

void add_point(const Spec& spec, std::size_t g, const std::vector<std::size_t>& at, std::size_t point,
               std::vector<Run>& out) {
    const Grid& grid = spec.grids[g];
    std::vector<Setting> settings;
    for (const Fixed& f : spec.fixed) settings.push_back({f.key, f.key, f.value, override_text(f.key, f.value), false});
    for (std::size_t a = 0; a < grid.axes.size(); ++a) {
        const Axis& axis = grid.axes[a];
        const Json& v = axis.values[at[a]];
        settings.push_back({axis.key, axis.label, v, override_text(axis.key, v, axis.format), true});
    }
    for (int r = 0; r < spec.runs; ++r) out.push_back({out.size(), point, g, spec.seed + std::uint64_t(r), settings});
}

}  // namespace

std::string override_text(const std::string& key, const Json& value, const std::string& format) {
    const bool scene = key.starts_with("scene.");
    if (format.empty()) return toml_text(value, scene);
    // A format is the value's text with the value put in, as the sweep file's
    // author wrote it: "0.002 {} {}" for a diagonal inertia.
    const std::string v = toml_text(value, true);
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.compare(i, 2, "{}") == 0) {
            out += v;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::vector<Run> expand(const Spec& spec) {
    std::vector<Run> out;
    std::size_t point = 0;
    for (std::size_t g = 0; g < spec.grids.size(); ++g) {
        const Grid& grid = spec.grids[g];
        std::vector<std::size_t> at(grid.axes.size(), 0);
        for (bool more = true; more; ++point) {
            add_point(spec, g, at, point, out);
            // Odometer: the last axis turns fastest.
            more = false;
            for (std::size_t a = grid.axes.size(); a-- > 0;) {
                if (++at[a] < grid.axes[a].values.size()) {
                    more = true;
                    break;
                }
                at[a] = 0;
            }
        }
    }
    return out;
}

std::vector<std::string> parameter_labels(const Spec& spec) {
    std::vector<std::string> out;
    for (const Grid& g : spec.grids)
        for (const Axis& a : g.axes)
            if (std::find(out.begin(), out.end(), a.label) == out.end()) out.push_back(a.label);
    return out;
}

std::vector<std::string> run_arguments(const Spec& spec, const Run& run) {
    std::vector<std::string> args = {"run", spec.world.string()};
    // The duration has an option of its own; the last one given wins.
    std::optional<std::string> duration;
    if (spec.duration) duration = number_text(*spec.duration);
    for (const Setting& s : run.settings) {
        if (s.key == "duration") {
            duration = s.text;
            continue;
        }
        args.push_back("--set");
        args.push_back(s.key + "=" + s.text);
    }
    args.push_back("--seed");
    args.push_back(std::to_string(run.seed));
    if (duration) {
        args.push_back("--duration");
        args.push_back(*duration);
    }
    return args;
}

}  // namespace arena::sweep
