#include "arena/world/manifest.h"

#include <cctype>
#include <cmath>
#include <set>
#include <string_view>

#include <toml++/toml.h>

#include "arena/devices/device_types.h"
#include "arena/world/manifest_overrides.h"
#include "arena/world/world_error.h"
#include "link/channel.h"

namespace arena {
namespace {

// Where a message points: "world.toml:12: robot "a": device "ir0": ".
// A value given with --set has the override as its source
// ("--set robot.a.device.ir0.noise"), and is blamed on it, not on a line.
class Place {
public:
    Place(const std::filesystem::path& file, const toml::node& node, std::string who = {})
        : file_(file.string()), who_(std::move(who)) {
        locate(node);
    }

    Place inner(const toml::node& node, const std::string& who) const {
        Place p = at(node);
        p.who_ += who + ": ";
        return p;
    }
    Place at(const toml::node& node) const {
        Place p = *this;
        p.locate(node);
        return p;
    }
    int line() const { return int(line_); }
    std::string where() const { return line_ > 0 ? where_ + ":" + std::to_string(line_) : where_; }

    [[noreturn]] void fail(const std::string& what) const { throw WorldError(where() + ": " + who_ + what); }

private:
    void locate(const toml::node& node) {
        const toml::source_region& source = node.source();
        const bool overridden = source.path && source.path->starts_with("--set ");
        where_ = overridden ? *source.path : file_;
        line_ = overridden ? 0 : source.begin.line;
    }

    std::string file_;
    std::string where_;
    toml::source_index line_ = 0;
    std::string who_;
};

template <class Keys>
bool has(const Keys& known, std::string_view key) {
    for (std::string_view k : known)
        if (k == key) return true;
    return false;
}

void reject_unknown_keys(const toml::table& t, const Place& place, std::initializer_list<std::string_view> known) {
    for (auto&& [key, node] : t) {
        if (!has(known, key.str())) place.at(node).fail("unknown key \"" + std::string(key.str()) + "\"");
    }
}

std::string required_string(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node* n = t.get(key);
    if (!n) place.fail("missing \"" + std::string(key) + "\"");
    auto s = n->value_exact<std::string>();
    if (!s || s->empty()) place.at(*n).fail("\"" + std::string(key) + "\" must be a non-empty string");
    return *s;
}

std::string optional_string(const toml::table& t, std::string_view key, const Place& place, std::string fallback) {
    if (!t.get(key)) return fallback;
    return required_string(t, key, place);
}

double number(const toml::table& t, std::string_view key, const Place& place, double fallback, const Limits& limits) {
    const toml::node* n = t.get(key);
    if (!n) return fallback;
    auto v = n->value<double>();
    if (!v || !n->is_number()) place.at(*n).fail("\"" + std::string(key) + "\" must be a number");
    if (!limits.allows(*v)) {
        place.at(*n).fail("\"" + std::string(key) + "\" must be " + limits.text() + ", not " + Limits::format(*v));
    }
    return *v;
}

int whole(const toml::table& t, std::string_view key, const Place& place, int fallback, int min, int max) {
    const toml::node* n = t.get(key);
    if (!n) return fallback;
    auto v = n->value_exact<std::int64_t>();
    if (!v || *v < min || *v > max) {
        place.at(*n).fail("\"" + std::string(key) + "\" must be a whole number from " + std::to_string(min) + " to " +
                          std::to_string(max));
    }
    return int(*v);
}

const toml::array* table_array(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node* n = t.get(key);
    if (!n) return nullptr;
    const toml::array* a = n->as_array();
    if (!a || !a->is_array_of_tables())
        place.at(*n).fail("\"" + std::string(key) + "\" must be [[" + std::string(key) + "]] tables");
    return a;
}

std::vector<std::array<double, 2>> read_lookup(const toml::table& t, const Place& place) {
    std::vector<std::array<double, 2>> out;
    const toml::node* n = t.get("lookup");
    if (!n) return out;
    const toml::array* rows = n->as_array();
    auto bad = [&](const toml::node& at) {
        place.at(at).fail("\"lookup\" must be [[distance, reading], ...] of finite numbers with distances rising");
    };
    if (!rows || rows->empty()) bad(*n);
    for (const toml::node& row : *rows) {
        const toml::array* pair = row.as_array();
        if (!pair || pair->size() != 2 || !(*pair)[0].is_number() || !(*pair)[1].is_number()) bad(row);
        out.push_back({*(*pair)[0].value<double>(), *(*pair)[1].value<double>()});
        if (!std::isfinite(out.back()[0]) || !std::isfinite(out.back()[1])) bad(row);
        if (out.size() > 1 && out[out.size() - 2][0] >= out.back()[0]) bad(row);
    }
    return out;
}

// The keys of the device's type, read as its entry in device_types.cpp says.
void read_device_keys(const toml::table& t, const Place& place, const DeviceKind& kind, DeviceSpec& d) {
    const std::vector<std::string> allowed = allowed_keys(kind);
    for (auto&& [key, node] : t) {
        if (has(allowed, key.str())) continue;
        std::string list;
        for (const std::string& k : allowed) list += (list.empty() ? "" : ", ") + k;
        place.at(node).fail("a " + std::string(link::name_of(kind.type)) + " has no key \"" + std::string(key.str()) +
                            "\" (its keys: " + list + ")");
    }
    d.site = optional_string(t, "site", place, "");
    if (d.site.empty() && kind.site == SiteRule::required) place.fail("missing \"site\"");
    for (const NumberKey& k : kind.numbers) d.*k.field = number(t, k.key, place, k.fallback, k.limits);
    for (const WholeKey& k : kind.wholes) d.*k.field = whole(t, k.key, place, k.fallback, k.min, k.max);
    if (kind.lookup) d.lookup = read_lookup(t, place);
    std::string wrong = kind.complete(d);
    if (!wrong.empty()) place.fail(wrong);
}

DeviceSpec read_device(const toml::table& t, const Place& robot_place) {
    DeviceSpec d;
    d.name = required_string(t, "name", robot_place.at(t));
    Place place = robot_place.inner(t, "device \"" + d.name + "\"");
    d.line = place.line();
    // The name travels on the link with a u16 length.
    if (d.name.size() > 65535) place.fail("a device name has at most 65535 bytes");
    std::string type = required_string(t, "type", place);
    const DeviceKind* kind = device_kind(type);
    if (!kind) {
        place.at(*t.get("type"))
            .fail("unknown device type \"" + type + "\" (distance_sensor, gps, camera, receiver, emitter)");
    }
    d.type = kind->type;
    read_device_keys(t, place, *kind, d);
    return d;
}

// Wheel speeds beyond a million rad/s per unit are no drive but a fault, and
// keep the actuators' targets finite for any speed a program can send.
constexpr Limits kSpeedUnitLimits{0.0, true, 1e6};

Drive read_drive(const toml::table& t, const Place& place) {
    std::string s = optional_string(t, "drive", place, "none");
    for (Drive d : {Drive::none, Drive::differential, Drive::custom}) {
        if (s == name_of(d)) return d;
    }
    place.at(*t.get("drive")).fail("unknown drive \"" + s + "\" (differential, custom, none)");
}

// Robot names become file names in a recording (traces/NAME.jsonl).
bool file_safe(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.size() > 64) return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
    }
    return true;
}

RobotSpec read_robot(const toml::table& t, const Place& file_place) {
    RobotSpec r;
    r.name = required_string(t, "name", file_place.at(t));
    if (!file_safe(r.name)) {
        file_place.at(*t.get("name"))
            .fail("robot name \"" + r.name +
                  "\" may hold only letters, digits, '_', '-' and '.', and not start with '.'");
    }
    Place place = file_place.inner(t, "robot \"" + r.name + "\"");
    r.line = place.line();
    reject_unknown_keys(t, place, {"name", "body", "controller", "drive", "wheels", "device"});
    r.body = required_string(t, "body", place);
    r.controller = required_string(t, "controller", place);
    r.drive = read_drive(t, place);

    const toml::node* wheels = t.get("wheels");
    if (r.drive == Drive::differential) {
        if (!wheels || !wheels->is_table()) place.fail("drive \"differential\" needs a [robot.wheels] table");
        const toml::table& w = *wheels->as_table();
        Place wp = place.at(w);
        reject_unknown_keys(w, wp, {"left", "right", "speed_unit"});
        r.wheels = WheelsSpec{required_string(w, "left", wp), required_string(w, "right", wp),
                              number(w, "speed_unit", wp, 1.0, kSpeedUnitLimits)};
    } else if (wheels) {
        place.at(*wheels).fail("[robot.wheels] needs drive = \"differential\"");
    }

    std::set<std::string> names;
    if (const toml::array* devices = table_array(t, "device", place)) {
        for (const toml::node& n : *devices) {
            DeviceSpec d = read_device(*n.as_table(), place);
            if (!names.insert(d.name).second) place.at(n).fail("duplicate device name \"" + d.name + "\"");
            r.devices.push_back(std::move(d));
        }
        if (r.devices.size() > link::kMaxDevices) {
            place.fail(std::to_string(r.devices.size()) + " devices; a robot has at most " +
                       std::to_string(link::kMaxDevices));
        }
    }
    // Found now rather than when the first oversize message would blame the
    // controller for a link it could not keep.
    if (std::size_t bytes = sensors_bytes(r.devices); bytes > link::kMaxFrameBytes) {
        place.fail("its samples with every camera's image take up to " + std::to_string(bytes) +
                   " bytes, more than the link carries in one message (" + std::to_string(link::kMaxFrameBytes) +
                   "): make its cameras smaller");
    }
    return r;
}

std::vector<KeyHold> read_keys(const toml::table& root, const Place& place, const std::vector<RobotSpec>& robots) {
    std::vector<KeyHold> out;
    const toml::array* keys = table_array(root, "keys", place);
    if (!keys) return out;
    for (const toml::node& n : *keys) {
        const toml::table& t = *n.as_table();
        Place kp = place.at(t);
        reject_unknown_keys(t, kp, {"robot", "from", "to", "codes"});
        KeyHold k;
        k.robot = required_string(t, "robot", kp);
        bool known = false;
        for (const RobotSpec& r : robots) known = known || r.name == k.robot;
        if (!known) kp.fail("[[keys]] names robot \"" + k.robot + "\", which the world does not have");
        k.from = number(t, "from", kp, 0.0, Limits{0.0});
        k.to = number(t, "to", kp, k.from, Limits{k.from});
        const toml::node* codes = t.get("codes");
        const toml::array* a = codes ? codes->as_array() : nullptr;
        if (!a) kp.fail("[[keys]] needs \"codes\", a list of key codes");
        for (const toml::node& c : *a) {
            auto v = c.value_exact<std::int64_t>();
            if (!v || *v <= 0 || *v > 0xffff) kp.at(c).fail("key codes are whole numbers from 1 to 65535");
            k.codes.push_back(int(*v));
        }
        out.push_back(std::move(k));
    }
    return out;
}

std::optional<CourseSpec> read_course(const toml::table& root, const Place& place,
                                      const std::vector<RobotSpec>& robots) {
    const toml::node* n = root.get("course");
    if (!n) return std::nullopt;
    const toml::table* t = n->as_table();
    if (!t) place.at(*n).fail("\"course\" must be a [course] table");
    Place cp = place.at(*n);
    reject_unknown_keys(*t, cp, {"robot", "gates", "dock"});
    CourseSpec c;
    c.line = cp.line();
    c.robot = required_string(*t, "robot", cp);
    bool known = false;
    for (const RobotSpec& r : robots) known = known || r.name == c.robot;
    if (!known) cp.fail("[course] names robot \"" + c.robot + "\", which the world does not have");
    c.dock = required_string(*t, "dock", cp);
    const toml::node* gates = t->get("gates");
    const toml::array* a = gates ? gates->as_array() : nullptr;
    if (!a || a->empty()) cp.fail("[course] needs \"gates\", a list of scene bodies");
    for (const toml::node& g : *a) {
        auto name = g.value_exact<std::string>();
        if (!name || name->empty()) cp.at(g).fail("[course] gates are names of scene bodies");
        c.gates.push_back(*name);
    }
    return c;
}

// A wind of a million newtons is no breeze but a fault.
constexpr double kMaxWind = 1e6;
constexpr Limits kWindLimits{-kMaxWind, false, kMaxWind};
constexpr Limits kGustLimits{0.0, false, kMaxWind};
constexpr Limits kTimeScaleLimits{0.0, true, kMaxDuration};

std::array<double, 3> read_vector(const toml::table& t, std::string_view key, const Place& place) {
    std::array<double, 3> out{};
    const toml::node* n = t.get(key);
    if (!n) return out;
    const toml::array* a = n->as_array();
    auto bad = [&] { place.at(*n).fail("\"" + std::string(key) + "\" must be [x, y, z], each " + kWindLimits.text()); };
    if (!a || a->size() != 3) bad();
    for (std::size_t i = 0; i < 3; ++i) {
        auto v = (*a)[i].value<double>();
        if (!(*a)[i].is_number() || !v || !kWindLimits.allows(*v)) bad();
        out[i] = *v;
    }
    return out;
}

std::vector<WindSpec> read_wind(const toml::table& root, const Place& place) {
    std::vector<WindSpec> out;
    const toml::array* winds = table_array(root, "wind", place);
    if (!winds) return out;
    std::set<std::string> bodies;
    for (const toml::node& n : *winds) {
        const toml::table& t = *n.as_table();
        WindSpec w;
        w.body = required_string(t, "body", place.at(t));
        const Place wp = place.inner(t, "[[wind]] body \"" + w.body + "\"");
        reject_unknown_keys(t, wp, {"body", "mean", "gust", "time_scale"});
        if (!bodies.insert(w.body).second) wp.fail("a second [[wind]] for the same body");
        w.mean = read_vector(t, "mean", wp);
        w.gust = number(t, "gust", wp, w.gust, kGustLimits);
        w.time_scale = number(t, "time_scale", wp, w.time_scale, kTimeScaleLimits);
        w.place = wp.where();
        out.push_back(std::move(w));
    }
    return out;
}

toml::table parse(const std::filesystem::path& file) {
    try {
        return toml::parse_file(file.string());
    } catch (const toml::parse_error& e) {
        std::string what(e.description());
        throw WorldError(file.string() + ":" + std::to_string(e.source().begin.line) + ": " + what);
    }
}

}  // namespace

const char* name_of(Drive drive) {
    switch (drive) {
    case Drive::none: return "none";
    case Drive::differential: return "differential";
    case Drive::custom: return "custom";
    }
    return "unknown";
}

Manifest read_manifest(const std::filesystem::path& file, const Overrides& overrides) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such world file");
    toml::table root = parse(file);
    apply_manifest_overrides(root, overrides);
    Place place(file, root);
    reject_unknown_keys(
        root, place,
        {"title", "scene", "duration", "seed", "record_period", "step_timeout", "robot", "keys", "course", "wind"});

    Manifest m;
    m.file = file;
    m.title = optional_string(root, "title", place, file.parent_path().filename().string());
    m.scene = optional_string(root, "scene", place, "scene.xml");
    m.duration = number(root, "duration", place, m.duration, kDurationLimits);
    m.record_period = number(root, "record_period", place, m.record_period, kRecordPeriodLimits);
    m.step_timeout = number(root, "step_timeout", place, m.step_timeout, kStepTimeoutLimits);
    if (const toml::node* seed = root.get("seed")) {
        auto v = seed->value_exact<std::int64_t>();
        if (!v || *v < 0) place.at(*seed).fail("\"seed\" must be a whole number, 0 or more");
        m.seed = std::uint64_t(*v);
    }

    std::set<std::string> names;
    if (const toml::array* robots = table_array(root, "robot", place)) {
        for (const toml::node& n : *robots) {
            RobotSpec r = read_robot(*n.as_table(), place);
            if (!names.insert(r.name).second) place.at(n).fail("duplicate robot name \"" + r.name + "\"");
            m.robots.push_back(std::move(r));
        }
    }
    if (m.robots.empty()) place.fail("no [[robot]]: a world needs at least one robot");
    m.keys = read_keys(root, place, m.robots);
    m.course = read_course(root, place, m.robots);
    m.wind = read_wind(root, place);
    return m;
}

std::vector<KeyHold> read_keys_file(const std::filesystem::path& file, const Manifest& manifest) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such keys file");
    toml::table root = parse(file);
    Place place(file, root);
    reject_unknown_keys(root, place, {"keys"});
    return read_keys(root, place, manifest.robots);
}

}  // namespace arena
