#include "arena/world/scene.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include <tinyxml2.h>

#include "arena/physics/buffer_sizes.h"
#include "arena/physics/mujoco_messages.h"
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

// What the compiled model no longer tells: which buffer sizes the scene set,
// and on which line each option was written. Read from the scene file and
// the files it includes.
struct SceneText {
    SetSizes sizes;
    std::vector<std::pair<std::string, int>> option_lines;  // attribute, line

    void read(const std::filesystem::path& file, int depth = 0) {
        tinyxml2::XMLDocument doc;
        if (depth > 16 || doc.LoadFile(file.c_str()) != tinyxml2::XML_SUCCESS) return;  // MuJoCo says why
        walk(doc.RootElement(), file.parent_path(), depth);
    }
    // The scene as overrides left it, lines as in its file.
    void read(const tinyxml2::XMLDocument& doc, const std::filesystem::path& file) {
        walk(doc.RootElement(), file.parent_path(), 0);
    }

private:
    void walk(const tinyxml2::XMLElement* e, const std::filesystem::path& folder, int depth) {
        for (; e; e = e->NextSiblingElement()) {
            const std::string_view name = e->Name();
            if (name == "size") {
                sizes.nconmax |= e->Attribute("nconmax") != nullptr;
                sizes.njmax |= e->Attribute("njmax") != nullptr;
                sizes.nstack |= e->Attribute("nstack") != nullptr;
            } else if (name == "option") {
                for (auto* a = e->FirstAttribute(); a; a = a->Next())
                    option_lines.emplace_back(a->Name(), e->GetLineNum());
            } else if (name == "include" && e->Attribute("file")) {
                read(folder / e->Attribute("file"), depth + 1);
            }
            walk(e->FirstChildElement(), folder, depth);
        }
    }
};

// The real-valued physics options, as MJCF names them.
struct RealOption {
    const char* name;
    std::span<const mjtNum> values;
};

std::vector<RealOption> real_options(const mjOption& o) {
    return {{"timestep", {&o.timestep, 1}},
            {"apirate", {&o.apirate, 1}},
            {"impratio", {&o.impratio, 1}},
            {"tolerance", {&o.tolerance, 1}},
            {"noslip_tolerance", {&o.noslip_tolerance, 1}},
            {"mpr_tolerance", {&o.mpr_tolerance, 1}},
            {"gravity", o.gravity},
            {"wind", o.wind},
            {"magnetic", o.magnetic},
            {"density", {&o.density, 1}},
            {"viscosity", {&o.viscosity, 1}},
            {"o_margin", {&o.o_margin, 1}},
            {"o_solref", o.o_solref},
            {"o_solimp", o.o_solimp}};
}

// The physics step must move time forward, and a step of over a second
// is no simulation of a robot.
constexpr double kMaxTimestep = 1.0;

// What is wrong with the options, or "".
std::string option_fault(const mjOption& o) {
    for (const RealOption& r : real_options(o)) {
        for (mjtNum v : r.values) {
            if (!std::isfinite(v)) return r.name;
        }
    }
    if (!(o.timestep > 0 && o.timestep <= kMaxTimestep)) return "timestep";
    return "";
}

std::string where(const std::filesystem::path& file, const SceneText& text, const std::string& option) {
    for (const auto& [name, line] : text.option_lines) {
        if (name == option) return file.string() + ":" + std::to_string(line);
    }
    return file.string();
}

void check_options(const std::filesystem::path& file, const SceneText& text, const mjOption& o) {
    const std::string name = option_fault(o);
    if (name.empty()) return;
    char value[64] = "";
    for (const RealOption& r : real_options(o)) {
        if (name == r.name) std::snprintf(value, sizeof value, "%g%s", r.values[0], r.values.size() > 1 ? " ..." : "");
    }
    const std::string why =
        name == "timestep" && std::isfinite(o.timestep) ? "must be above 0 and at most 1 s" : "must be a finite number";
    throw WorldError(where(file, text, name) + ": option " + name + " = " + value + " " + why);
}

// An edited scene is handed to MuJoCo from memory, under the file's own
// name, so that its includes and assets are still found beside the file.
struct MemoryFile {
    std::unique_ptr<mjVFS> vfs;  // thousands of file slots: too big for the stack

    MemoryFile(const std::filesystem::path& file, const std::string& text) : vfs(std::make_unique<mjVFS>()) {
        mj_defaultVFS(vfs.get());
        const std::string name = file.filename().string();
        if (mj_makeEmptyFileVFS(vfs.get(), name.c_str(), int(text.size())) != 0)
            throw WorldError(file.string() + ": the edited scene could not be handed to MuJoCo");
        std::memcpy(vfs->filedata[mj_findFileVFS(vfs.get(), name.c_str())], text.data(), text.size());
    }
    ~MemoryFile() { mj_deleteVFS(vfs.get()); }
};

ModelPtr load(const std::filesystem::path& file, const SceneEdit& edit) {
    std::array<char, 1024> error{};
    ModelPtr model;
    std::optional<MemoryFile> memory;
    if (!edit.empty()) memory.emplace(file, edit.text());
    try {
        model.reset(mj_loadXML(file.c_str(), memory ? memory->vfs.get() : nullptr, error.data(), int(error.size())));
    } catch (const PhysicsError& e) {
        throw WorldError(file.string() + ": " + e.what());
    }
    if (!model) {
        std::string line = line_of(error.data());
        throw WorldError(file.string() + (line.empty() ? "" : ":" + line) + ": " + one_line(error.data()));
    }
    return model;
}

}  // namespace

Scene::Scene(const std::filesystem::path& file, const Overrides& overrides) : file_(file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw WorldError(file.string() + ": no such scene file");
    const SceneEdit edit(file, overrides);
    try {
        load_checked(edit);
    } catch (const WorldError& e) {
        throw WorldError(edit.blame(e.what()));
    }
}

void Scene::load_checked(const SceneEdit& edit) {
    const std::filesystem::path& file = file_;
    install_mujoco_handlers();
    model_ = load(file, edit);
    SceneText text;
    if (edit.empty()) {
        text.read(file);
    } else {
        text.read(edit.document(), file);
    }
    check_options(file, text, model_->opt);
    for (std::string& warning : take_mujoco_warnings()) {
        // MuJoCo reads "nan" as a number and only warns.
        if (warning.find("NaN") != std::string::npos) throw WorldError(file.string() + ": " + one_line(warning));
        warnings_.push_back(one_line(std::move(warning)));
    }
    size_buffers(model_.get(), text.sizes);
}

int Scene::find(int type, const std::string& name) const { return mj_name2id(model_.get(), type, name.c_str()); }

}  // namespace arena
