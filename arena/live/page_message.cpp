#include "arena/live/page_message.h"

#include <cmath>

#include <nlohmann/json.hpp>

namespace arena {
namespace {

using Json = nlohmann::json;
constexpr std::size_t kMaxRobotName = 128;

std::variant<PageCommand, std::string> key(const Json& j) {
    const auto code = j.find("code"), down = j.find("down"), robot = j.find("robot");
    if (code == j.end() || !code->is_number_integer() || *code < 1 || *code > 0xffff)
        return std::string("a key needs \"code\", a whole number from 1 to 65535");
    if (down == j.end() || !down->is_boolean()) return std::string("a key needs \"down\", true or false");
    PageCommand c{down->get<bool>() ? PageCommandKind::key_down : PageCommandKind::key_up};
    c.code = code->get<int>();
    if (robot != j.end()) {
        if (!robot->is_string() || robot->get_ref<const std::string&>().size() > kMaxRobotName)
            return std::string("\"robot\" must be a robot's name");
        c.robot = robot->get<std::string>();
    }
    return c;
}

std::variant<PageCommand, std::string> speed(const Json& j) {
    const auto v = j.find("value");
    PageCommand c{PageCommandKind::speed};
    if (v != j.end() && v->is_string() && *v == "max") {
        c.speed = 0;
        return c;
    }
    if (v == j.end() || !v->is_number()) return std::string("a speed needs \"value\", a number or \"max\"");
    c.speed = v->get<double>();
    if (!std::isfinite(c.speed) || c.speed < kMinSpeed || c.speed > kMaxSpeed)
        return std::string("a speed must be from 0.25 to 8, or \"max\"");
    return c;
}

}  // namespace

std::variant<PageCommand, std::string> parse_page_message(std::string_view text) {
    if (text.size() > kMaxPageMessage)
        return "too long (" + std::to_string(text.size()) + " bytes, at most " + std::to_string(kMaxPageMessage) + ")";
    const Json j = Json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::string("not a JSON object");
    const auto type = j.find("type");
    if (type == j.end() || !type->is_string()) return std::string("no \"type\"");
    const std::string& t = type->get_ref<const std::string&>();
    if (t == "key") return key(j);
    if (t == "speed") return speed(j);
    if (t == "pause") return PageCommand{PageCommandKind::pause};
    if (t == "resume") return PageCommand{PageCommandKind::resume};
    if (t == "step") return PageCommand{PageCommandKind::step};
    return "unknown type \"" + t.substr(0, 32) + "\"";
}

}  // namespace arena
