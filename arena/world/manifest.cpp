#include "arena/world/manifest.h"

#include <cctype>
#include <set>
#include <string_view>

#include <toml++/toml.h>

#include "arena/world/world_error.h"

namespace arena {
namespace {

// Where a message points: "world.toml:12: robot "a": device "ir0": ".
class Place {
public:
    Place(const std::filesystem::path& file, const toml::node& node, std::string who = {})
        : file_(file.string()), line_(node.source().begin.line), who_(std::move(who)) {}

    Place inner(const toml::node& node, const std::string& who) const {
        Place p = *this;
        p.line_ = node.source().begin.line;
        p.who_ += who + ": ";
        return p;
    }
    Place at(const toml::node& node) const {
        Place p = *this;
        p.line_ = node.source().begin.line;
        return p;
    }
    int line() const { return int(line_); }

    [[noreturn]] void fail(const std::string& what) const {
        std::string prefix = file_;
        if (line_ > 0) prefix += ":" + std::to_string(line_);
        throw WorldError(prefix + ": " + who_ + what);
    }

private:
    std::string file_;
    toml::source_index line_;
    std::string who_;
};

void reject_unknown_keys(const toml::table& t, const Place& place,
                         std::initializer_list<std::string_view> known) {
    for (auto&& [key, node] : t) {
        bool ok = false;
        for (auto k : known) ok = ok || key.str() == k;
        if (!ok) place.at(node).fail("unknown key \"" + std::string(key.str()) + "\"");
    }
}

std::string required_string(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node* n = t.get(key);
    if (!n) place.fail("missing \"" + std::string(key) + "\"");
    auto s = n->value_exact<std::string>();
    if (!s || s->empty()) place.at(*n).fail("\"" + std::string(key) + "\" must be a non-empty string");
    return *s;
}

std::string optional_string(const toml::table& t, std::string_view key, const Place& place,
                            std::string fallback) {
    if (!t.get(key)) return fallback;
    return required_string(t, key, place);
}

double number(const toml::table& t, std::string_view key, const Place& place, double fallback,
              double min, bool min_exclusive) {
    const toml::node* n = t.get(key);
    if (!n) return fallback;
    auto v = n->value<double>();
    if (!v || !n->is_number()) place.at(*n).fail("\"" + std::string(key) + "\" must be a number");
    if (*v < min || (min_exclusive && *v == min)) {
        place.at(*n).fail("\"" + std::string(key) + "\" must be " + (min_exclusive ? "above " : "at least ") +
                          std::to_string(min));
    }
    return *v;
}

int whole(const toml::table& t, std::string_view key, const Place& place, int fallback) {
    const toml::node* n = t.get(key);
    if (!n) return fallback;
    auto v = n->value_exact<std::int64_t>();
    if (!v || *v < 1 || *v > 4096) place.at(*n).fail("\"" + std::string(key) + "\" must be a whole number from 1 to 4096");
    return int(*v);
}

const toml::array* table_array(const toml::table& t, std::string_view key, const Place& place) {
    const toml::node* n = t.get(key);
    if (!n) return nullptr;
    const toml::array* a = n->as_array();
    if (!a || !a->is_array_of_tables()) place.at(*n).fail("\"" + std::string(key) + "\" must be [[" + std::string(key) + "]] tables");
    return a;
}

std::optional<link::DeviceType> device_type(std::string_view s) {
    using T = link::DeviceType;
    for (T t : {T::distance_sensor, T::gps, T::camera, T::receiver, T::emitter}) {
        if (s == link::name_of(t)) return t;
    }
    return std::nullopt;
}

std::vector<std::array<double, 2>> read_lookup(const toml::table& t, const Place& place) {
    std::vector<std::array<double, 2>> out;
    const toml::node* n = t.get("lookup");
    if (!n) return out;
    const toml::array* rows = n->as_array();
    auto bad = [&] { place.at(*n).fail("\"lookup\" must be [[distance, reading], ...] with distances rising"); };
    if (!rows || rows->empty()) bad();
    for (const toml::node& row : *rows) {
        const toml::array* pair = row.as_array();
        if (!pair || pair->size() != 2 || !(*pair)[0].is_number() || !(*pair)[1].is_number()) bad();
        out.push_back({*(*pair)[0].value<double>(), *(*pair)[1].value<double>()});
        if (out.size() > 1 && out[out.size() - 2][0] >= out.back()[0]) bad();
    }
    return out;
}

DeviceSpec read_device(const toml::table& t, const Place& robot_place) {
    DeviceSpec d;
    d.name = required_string(t, "name", robot_place.at(t));
    Place place = robot_place.inner(t, "device \"" + d.name + "\"");
    d.line = place.line();
    std::string type = required_string(t, "type", place);
    auto parsed = device_type(type);
    if (!parsed) {
        place.at(*t.get("type")).fail("unknown device type \"" + type +
                                      "\" (distance_sensor, gps, camera, receiver, emitter)");
    }
    d.type = *parsed;
    reject_unknown_keys(t, place, {"name", "type", "site", "range", "lookup", "noise", "width", "height", "fov", "aperture"});
    d.site = optional_string(t, "site", place, "");
    if (d.site.empty() && d.type != link::DeviceType::gps) place.fail("missing \"site\"");
    d.range = number(t, "range", place, d.type == link::DeviceType::emitter ? 2.0 : 1.0, 0.0, true);
    d.noise = number(t, "noise", place, 0.0, 0.0, false);
    d.aperture = number(t, "aperture", place, 6.2832, 0.0, true);
    d.width = whole(t, "width", place, 64);
    d.height = whole(t, "height", place, 48);
    d.fov_deg = number(t, "fov", place, 60.0, 0.0, true);
    if (d.fov_deg >= 180.0) place.fail("\"fov\" must be below 180 degrees");
    d.lookup = read_lookup(t, place);
    if (d.type == link::DeviceType::distance_sensor && d.lookup.empty()) {
        d.lookup = {{{0.0, 1000.0}}, {{d.range, 0.0}}};
    }
    return d;
}

Drive read_drive(const toml::table& t, const Place& place) {
    std::string s = optional_string(t, "drive", place, "none");
    if (s == "none") return Drive::none;
    if (s == "differential") return Drive::differential;
    if (s == "custom") return Drive::custom;
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
        file_place.at(*t.get("name")).fail("robot name \"" + r.name +
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
                              number(w, "speed_unit", wp, 1.0, 0.0, true)};
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
    return r;
}

std::vector<KeyHold> read_keys(const toml::table& root, const Place& place,
                               const std::vector<RobotSpec>& robots) {
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
        k.from = number(t, "from", kp, 0.0, 0.0, false);
        k.to = number(t, "to", kp, k.from, k.from, false);
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

toml::table parse(const std::filesystem::path& file) {
    try {
        return toml::parse_file(file.string());
    } catch (const toml::parse_error& e) {
        std::string what(e.description());
        throw WorldError(file.string() + ":" + std::to_string(e.source().begin.line) + ": " + what);
    }
}

}  // namespace

Manifest read_manifest(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such world file");
    toml::table root = parse(file);
    Place place(file, root);
    reject_unknown_keys(root, place, {"title", "scene", "duration", "seed", "record_period", "robot", "keys", "course"});

    Manifest m;
    m.file = file;
    m.title = optional_string(root, "title", place, file.parent_path().filename().string());
    m.scene = optional_string(root, "scene", place, "scene.xml");
    m.duration = number(root, "duration", place, 60.0, 0.0, true);
    m.record_period = number(root, "record_period", place, 0.032, 0.0, true);
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
