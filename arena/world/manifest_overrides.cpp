#include "arena/world/manifest_overrides.h"

#include <cstdio>

namespace arena {
namespace {

[[noreturn]] void fail(const Override& o, const std::string& what) { throw WorldError(o.origin() + ": " + what); }

// A TOML basic string holding exactly `text`.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Parsed with the override as its source, so that the loader's messages
// about it name the key. A value that is no TOML value is taken as a string
// (`controller=my_pilot`): the loader still says what the key wants.
toml::table parse_value(const Override& o) {
    try {
        return toml::parse("v = " + o.value, o.origin());
    } catch (const toml::parse_error&) {
    }
    try {
        return toml::parse("v = " + quoted(o.value), o.origin());
    } catch (const toml::parse_error& e) {
        fail(o, "the value is not TOML text: " + std::string(e.description()));
    }
}

std::string names_in(const toml::array& tables, std::string_view key) {
    std::string list;
    for (const toml::node& n : tables) {
        const toml::table* t = n.as_table();
        auto name = t ? t->get(key) : nullptr;
        if (name && name->is_string()) list += (list.empty() ? "" : ", ") + name->as_string()->get();
    }
    return list.empty() ? "none" : list;
}

// The [[NAME]] tables of `parent`; absent: nullptr, unless `create`.
toml::array* tables(toml::table& parent, const std::string& name, const Override& o, bool create) {
    toml::node* n = parent.get(name);
    if (!n && create) n = parent.insert(name, toml::array{}).first->second.as_array();
    if (!n) return nullptr;
    toml::array* a = n->as_array();
    if (!a || (!a->empty() && !a->is_array_of_tables()))
        fail(o, "\"" + name + "\" in world.toml is not [[" + name + "]] tables");
    return a;
}

// The table in `a` whose `key` is the longest name that starts `rest`
// followed by a dot (names may hold dots themselves).
toml::table* named(toml::array* a, std::string_view key, const std::string& rest, std::string& name) {
    toml::table* found = nullptr;
    if (!a) return nullptr;
    for (toml::node& n : *a) {
        toml::table* t = n.as_table();
        auto v = t->get(key) ? t->get(key)->value<std::string>() : std::nullopt;
        if (v && rest.size() > v->size() && rest.compare(0, v->size(), *v) == 0 && rest[v->size()] == '.' &&
            v->size() > name.size()) {
            found = t;
            name = *v;
        }
    }
    return found;
}

// Tables below `t` along `parts` (a robot's [robot.wheels], say), made if
// missing: whether they belong there is the loader's to say.
toml::table& descend(toml::table& t, const std::vector<std::string>& parts, const Override& o) {
    toml::table* at = &t;
    for (const std::string& p : parts) {
        toml::node* n = at->get(p);
        if (!n) n = at->insert(p, toml::table{}).first->second.as_table();
        if (!n->is_table()) fail(o, "\"" + p + "\" is not a table");
        at = n->as_table();
    }
    return *at;
}

std::vector<std::string> parts_of(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t dot; (dot = text.find('.', from)) != std::string::npos; from = dot + 1)
        parts.push_back(text.substr(from, dot - from));
    parts.push_back(text.substr(from));
    return parts;
}

// robot.NAME.KEY, robot.NAME.device.DEV.KEY, robot.NAME.TABLE.KEY.
toml::table& robot_target(toml::table& root, const Override& o) {
    toml::array* robots = tables(root, "robot", o, false);
    const std::string rest = o.key.substr(6);
    std::string name;
    toml::table* robot = named(robots, "name", rest, name);
    if (!robot)
        fail(o, "the world has no such robot (its robots: " + (robots ? names_in(*robots, "name") : "none") + ")");
    const std::string inside = rest.substr(name.size() + 1);
    std::vector<std::string> parts = parts_of(inside);
    if (parts.size() > 2 && parts[0] == "device") {
        toml::array* devices = tables(*robot, "device", o, false);
        std::string device;
        toml::table* d = named(devices, "name", inside.substr(7), device);
        if (!d || inside.size() != 7 + device.size() + 1 + parts.back().size()) {
            fail(o, "robot \"" + name +
                        "\" has no such device (its devices: " + (devices ? names_in(*devices, "name") : "none") + ")");
        }
        return *d;
    }
    parts.pop_back();
    return descend(*robot, parts, o);
}

// wind.BODY.KEY: the [[wind]] entry of BODY, added if the world has none.
toml::table& wind_target(toml::table& root, const Override& o) {
    toml::array* winds = tables(root, "wind", o, true);
    const std::string body = o.key.substr(5, o.key.rfind('.') - 5);
    for (toml::node& n : *winds) {
        toml::table* t = n.as_table();
        if (t->get("body") && t->get("body")->value<std::string>() == body) return *t;
    }
    toml::table entry = toml::parse("body = " + quoted(body), o.origin());
    winds->push_back(std::move(entry));
    return *winds->back().as_table();
}

toml::table& target(toml::table& root, const Override& o) {
    const std::string& first = o.path.front();
    if (first == "robot") return robot_target(root, o);
    if (first == "wind") return wind_target(root, o);
    if (first == "keys" || first == "course") fail(o, "[" + first + "] is not changed by --set");
    return root;
}

}  // namespace

void apply_manifest_overrides(toml::table& root, const Overrides& overrides) {
    for (const Override& o : overrides) {
        if (o.target != OverrideTarget::manifest) continue;
        toml::table& t = target(root, o);
        toml::table parsed = parse_value(o);
        parsed.get("v")->visit([&](auto& value) { t.insert_or_assign(o.path.back(), std::move(value)); });
    }
}

}  // namespace arena
