#include "arena/world/overrides.h"

namespace arena {
namespace {

std::vector<std::string> split(const std::string& key) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t dot; (dot = key.find('.', from)) != std::string::npos; from = dot + 1)
        parts.push_back(key.substr(from, dot - from));
    parts.push_back(key.substr(from));
    return parts;
}

[[noreturn]] void fail(const std::string& key, const std::string& what) {
    throw WorldError("--set " + key + ": " + what);
}

// Scene names may hold dots: the tag is the first part after "scene", the
// attribute the last, and the name whatever lies between.
void read_scene_key(Override& o, const std::vector<std::string>& parts) {
    const std::string form = "a scene key is scene.TAG.NAME.ATTR, scene.inertial.BODY.ATTR or scene.option.ATTR";
    if (parts.size() < 3) fail(o.key, form);
    o.tag = parts[1];
    o.attribute = parts.back();
    if (o.tag == "option") {
        if (parts.size() != 3) fail(o.key, form);
        o.target = OverrideTarget::scene_option;
        return;
    }
    if (parts.size() < 4) fail(o.key, form);
    const std::size_t begin = o.key.find('.', 6) + 1, end = o.key.rfind('.');
    o.name = o.key.substr(begin, end - begin);
    o.target = o.tag == "inertial" ? OverrideTarget::scene_inertial : OverrideTarget::scene_element;
}

}  // namespace

Override parse_override(const std::string& text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) fail(text, "an override is KEY=VALUE");
    Override o;
    o.key = text.substr(0, eq);
    o.value = text.substr(eq + 1);
    const std::vector<std::string> parts = split(o.key);
    for (const std::string& p : parts) {
        if (p.empty()) fail(o.key, "a key is names joined by single dots");
    }
    if (o.value.empty()) fail(o.key, "no value after '='");
    if (parts[0] == "scene") {
        read_scene_key(o, parts);
        return o;
    }
    o.path = parts;
    if (parts[0] == "robot" && parts.size() < 3)
        fail(o.key, "a robot's key is robot.NAME.KEY or robot.NAME.device.DEV.KEY");
    if (parts[0] == "wind" && parts.size() < 3) fail(o.key, "a wind key is wind.BODY.KEY");
    if (parts[0] != "robot" && parts[0] != "wind" && parts.size() != 1)
        fail(o.key, "unknown key (top-level values, robot.NAME..., wind.BODY..., scene...)");
    return o;
}

}  // namespace arena
