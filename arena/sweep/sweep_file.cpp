#include "arena/sweep/sweep_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include <toml++/toml.h>

#include "arena/sweep/values.h"
#include "arena/world/overrides.h"

namespace arena::sweep {
namespace {

using Json = nlohmann::json;

// Every message names the sweep file, the line and the key at fault.
class Place {
public:
    Place(std::string file, std::string who) : file_(std::move(file)), who_(std::move(who)) {}
    Place at(const toml::node& node) const {
        Place p = *this;
        p.line_ = node.source().begin.line;
        return p;
    }
    Place inner(const toml::node& node, const std::string& who) const {
        Place p = at(node);
        p.who_ += (p.who_.empty() ? "" : ".") + who;
        return p;
    }
    [[noreturn]] void fail(const std::string& what) const {
        std::string prefix = file_;
        if (line_ > 0) prefix += ":" + std::to_string(line_);
        throw SpecError(prefix + ": " + (who_.empty() ? "" : who_ + ": ") + what);
    }

private:
    std::string file_;
    std::string who_;
    toml::source_index line_ = 0;
};

void reject_unknown(const toml::table& t, const Place& place, std::initializer_list<std::string_view> known) {
    for (auto&& [key, node] : t) {
        bool ok = false;
        for (std::string_view k : known) ok = ok || k == key.str();
        if (!ok) place.inner(node, std::string(key.str())).fail("unknown key");
    }
}

const toml::table& table_of(const toml::node& n, const Place& place) {
    if (!n.is_table()) place.at(n).fail("must be a table");
    return *n.as_table();
}

double finite(const toml::node& n, const Place& place) {
    const auto v = n.value<double>();
    if (!v || !n.is_number() || !std::isfinite(*v)) place.at(n).fail("must be a finite number");
    return *v;
}

long long whole(const toml::node& n, const Place& place, long long min, long long max) {
    const auto v = n.value_exact<std::int64_t>();
    if (!v || *v < min || *v > max) {
        place.at(n).fail("must be a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return *v;
}

std::string text(const toml::node& n, const Place& place) {
    const auto v = n.value_exact<std::string>();
    if (!v || v->empty()) place.at(n).fail("must be a non-empty string");
    return *v;
}

// A value a run can be given: a number, a string, a boolean, or an array of
// those (a position, a lookup table).
Json value_of(const toml::node& n, const Place& place) {
    if (const auto* a = n.as_array()) {
        Json out = Json::array();
        for (const toml::node& e : *a) out.push_back(value_of(e, place));
        return out;
    }
    if (n.is_integer()) return *n.value_exact<std::int64_t>();
    if (n.is_floating_point()) return finite(n, place);
    if (n.is_boolean()) return *n.value_exact<bool>();
    if (n.is_string()) return *n.value_exact<std::string>();
    place.at(n).fail("must be a number, a string, a boolean or an array of them");
}

Json numbers(const toml::node& n, const Place& place) {
    if (n.is_number()) return finite(n, place);
    const auto* a = n.as_array();
    if (!a || a->empty()) place.at(n).fail("must be a number or an array of numbers");
    Json out = Json::array();
    for (const toml::node& e : *a) out.push_back(finite(e, place));
    return out;
}

const toml::node& required(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node* n = t.get(key);
    if (!n) place.fail("missing \"" + std::string(key) + "\"");
    return *n;
}

// A required key and the place that names it.
struct Field {
    const toml::node& node;
    Place place;
};
Field field(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node& n = required(t, key, place);
    return {n, place.inner(n, std::string(key))};
}

std::vector<Json> range_values(const toml::table& t, const Place& place) {
    reject_unknown(t, place, {"from", "to", "step", "count"});
    const Field f = field(t, "from", place), l = field(t, "to", place);
    const double from = finite(f.node, f.place), to = finite(l.node, l.place);
    if (to < from) place.fail("\"to\" must not be below \"from\"");
    const toml::node* step = t.get("step");
    const toml::node* count = t.get("count");
    if ((step != nullptr) == (count != nullptr)) place.fail("give one of \"step\" and \"count\"");
    if (count) return range_by_count(from, to, int(whole(*count, place.inner(*count, "count"), 1, 100000)));
    const double s = finite(*step, place.inner(*step, "step"));
    if (s <= 0) place.inner(*step, "step").fail("must be above 0");
    if ((to - from) / s > 100000) place.inner(*step, "step").fail("gives more than 100000 values");
    return range_by_step(from, to, s);
}

std::vector<Json> random_values(const toml::table& t, const Place& place) {
    reject_unknown(t, place, {"min", "max", "count", "seed"});
    const Field lo = field(t, "min", place), hi = field(t, "max", place), n = field(t, "count", place);
    const Json min = numbers(lo.node, lo.place), max = numbers(hi.node, hi.place);
    if (min.is_array() != max.is_array() || (min.is_array() && min.size() != max.size())) {
        place.fail("\"min\" and \"max\" must both be numbers or arrays of one length");
    }
    const int count = int(whole(n.node, n.place, 1, 100000));
    std::uint64_t seed = 1;
    if (const toml::node* s = t.get("seed")) seed = std::uint64_t(whole(*s, place.inner(*s, "seed"), 0, INT64_MAX));
    return random_samples(min, max, count, seed);
}

Axis axis_of(const toml::table& t, const Place& place) {
    reject_unknown(t, place, {"key", "label", "format", "values", "range", "random"});
    Axis axis;
    const Field key = field(t, "key", place);
    axis.key = text(key.node, key.place);
    if (std::string why = check_override_key(axis.key); !why.empty()) key.place.fail(why);
    if (axis.key == "seed") key.place.fail("the seeds come from \"runs\" and \"seed\", not from [[vary]]");
    const Place here = place.inner(t, axis.key);
    axis.label = t.get("label") ? text(*t.get("label"), here.inner(*t.get("label"), "label")) : axis.key;
    if (const toml::node* f = t.get("format")) {
        axis.format = text(*f, here.inner(*f, "format"));
        if (axis.format.find("{}") == std::string::npos) here.inner(*f, "format").fail("must hold \"{}\"");
    }
    int given = 0;
    if (const toml::node* v = t.get("values")) {
        ++given;
        const auto* a = v->as_array();
        if (!a || a->empty()) here.inner(*v, "values").fail("must be a non-empty array");
        for (const toml::node& e : *a) axis.values.push_back(value_of(e, here.inner(e, "values")));
    }
    if (const toml::node* r = t.get("range")) {
        ++given;
        axis.values = range_values(table_of(*r, here.inner(*r, "range")), here.inner(*r, "range"));
    }
    if (const toml::node* r = t.get("random")) {
        ++given;
        axis.values = random_values(table_of(*r, here.inner(*r, "random")), here.inner(*r, "random"));
    }
    if (given != 1) here.fail("give exactly one of \"values\", \"range\" and \"random\"");
    return axis;
}

Grid grid_of(const toml::node& vary, const Place& place) {
    const auto* a = vary.as_array();
    if (!a || a->empty()) place.at(vary).fail("must be a non-empty array of tables ([[vary]])");
    Grid grid;
    std::set<std::string> labels;
    for (const toml::node& e : *a) {
        Axis axis = axis_of(table_of(e, place.at(e)), place.at(e));
        if (!labels.insert(axis.label).second) place.at(e).fail("\"" + axis.label + "\" is varied twice");
        grid.axes.push_back(std::move(axis));
    }
    return grid;
}

std::vector<Figure> figures_of(const toml::node& n, const Place& place) {
    const auto* a = n.as_array();
    if (!a) place.at(n).fail("must be an array");
    std::vector<Figure> out;
    for (const toml::node& e : *a) {
        if (e.is_string()) {
            const std::string path = text(e, place);
            out.push_back({path, path});
            continue;
        }
        const toml::table& t = table_of(e, place.at(e));
        reject_unknown(t, place.at(e), {"path", "label"});
        Figure f;
        const Field path = field(t, "path", place.at(e));
        f.path = text(path.node, path.place);
        f.label = t.get("label") ? text(*t.get("label"), place.at(e)) : f.path;
        out.push_back(f);
    }
    return out;
}

Spec spec_of(const toml::table& t, const std::filesystem::path& file) {
    const Place place(file.string(), "");
    reject_unknown(t, place, {"world", "duration", "runs", "seed", "success", "figures", "set", "vary", "grid"});
    Spec spec;
    spec.file = file;
    const Field w = field(t, "world", place);
    const std::string world = text(w.node, w.place);
    spec.world = (file.parent_path() / world).lexically_normal();
    if (const toml::node* d = t.get("duration")) {
        spec.duration = finite(*d, place.inner(*d, "duration"));
        if (*spec.duration <= 0) place.inner(*d, "duration").fail("must be above 0");
    }
    if (const toml::node* r = t.get("runs")) spec.runs = int(whole(*r, place.inner(*r, "runs"), 1, 100000));
    if (const toml::node* s = t.get("seed"))
        spec.seed = std::uint64_t(whole(*s, place.inner(*s, "seed"), 0, INT64_MAX - 100000));
    if (const toml::node* s = t.get("success")) spec.success = text(*s, place.inner(*s, "success"));
    if (const toml::node* f = t.get("figures")) spec.figures = figures_of(*f, place.inner(*f, "figures"));
    if (const toml::node* s = t.get("set")) {
        for (auto&& [key, value] : table_of(*s, place.inner(*s, "set"))) {
            const std::string k(key.str());
            const Place here = place.inner(value, "set." + k);
            if (std::string why = check_override_key(k); !why.empty()) here.fail(why);
            if (k == "seed") here.fail("the seeds come from \"runs\" and \"seed\"");
            spec.fixed.push_back({k, value_of(value, here)});
        }
    }
    if (const toml::node* v = t.get("vary")) spec.grids.push_back(grid_of(*v, place.inner(*v, "vary")));
    if (const toml::node* g = t.get("grid")) {
        const auto* a = g->as_array();
        if (!a) place.inner(*g, "grid").fail("must be an array of tables ([[grid]])");
        for (const toml::node& e : *a) {
            const toml::table& gt = table_of(e, place.inner(e, "grid"));
            reject_unknown(gt, place.inner(e, "grid"), {"vary"});
            spec.grids.push_back(grid_of(required(gt, "vary", place.inner(e, "grid")), place.inner(e, "grid.vary")));
        }
    }
    if (spec.grids.empty()) place.fail("nothing to vary: give [[vary]] or [[grid]] tables");
    return spec;
}

}  // namespace

std::string check_override_key(const std::string& key) {
    try {
        parse_override(key + "=0");  // the form of the key alone; the world checks the rest
        return "";
    } catch (const WorldError& e) {
        const std::string what = e.what();
        const std::string prefix = "--set " + key + ": ";
        return what.starts_with(prefix) ? what.substr(prefix.size()) : what;
    }
}

Spec parse_spec(const std::string& text, const std::filesystem::path& file) {
    toml::table t;
    try {
        t = toml::parse(text, file.string());
    } catch (const toml::parse_error& e) {
        throw SpecError(file.string() + ":" + std::to_string(e.source().begin.line) + ": " +
                        std::string(e.description()));
    }
    return spec_of(t, file);
}

Spec read_spec(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::error_code ec;
    if (!in || !std::filesystem::is_regular_file(file, ec)) throw SpecError(file.string() + ": no such sweep spec");
    std::stringstream text;
    text << in.rdbuf();
    return parse_spec(text.str(), file);
}

}  // namespace arena::sweep
