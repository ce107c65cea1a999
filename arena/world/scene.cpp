#include "arena/world/scene.h"

#include <array>
#include <cctype>
#include <string_view>

#include "arena/world/world_error.h"

namespace arena {
namespace {

std::string one_line(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    std::string out;
    for (char c : s) {
        if (c == '\n') {
            out += "; ";
        } else {
            out += c;
        }
    }
    return out;
}

// MuJoCo says where in two ways: "Line number=12" from the XML parser and
// "line 12" from the schema check. The number goes up front, file:line, as
// for world.toml.
std::string line_of(const std::string& error) {
    for (const char* mark : {"Line number=", "line "}) {
        std::size_t at = error.find(mark);
        if (at == std::string::npos) continue;
        at += std::string_view(mark).size();
        std::size_t end = at;
        while (end < error.size() && std::isdigit(static_cast<unsigned char>(error[end]))) ++end;
        if (end > at) return error.substr(at, end - at);
    }
    return "";
}

}  // namespace

Scene::Scene(const std::filesystem::path& file) : file_(file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such scene file");
    std::array<char, 1024> error{};
    model_.reset(mj_loadXML(file.c_str(), nullptr, error.data(), int(error.size())));
    if (!model_) {
        std::string line = line_of(error.data());
        throw WorldError(file.string() + (line.empty() ? "" : ":" + line) + ": " + one_line(error.data()));
    }
}

int Scene::find(int type, const std::string& name) const {
    return mj_name2id(model_.get(), type, name.c_str());
}

}  // namespace arena
