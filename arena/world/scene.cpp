#include "arena/world/scene.h"

#include <array>

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

}  // namespace

Scene::Scene(const std::filesystem::path& file) : file_(file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such scene file");
    std::array<char, 1024> error{};
    model_.reset(mj_loadXML(file.c_str(), nullptr, error.data(), int(error.size())));
    if (!model_) throw WorldError(file.string() + ": " + one_line(error.data()));
}

int Scene::find(int type, const std::string& name) const {
    return mj_name2id(model_.get(), type, name.c_str());
}

}  // namespace arena
