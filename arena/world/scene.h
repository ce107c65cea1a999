// The MJCF scene: MuJoCo's model, owned, with name lookups that say which
// manifest entry wanted a name the scene lacks.
#ifndef ARENA_WORLD_SCENE_H
#define ARENA_WORLD_SCENE_H

#include <filesystem>
#include <memory>
#include <string>

#include <mujoco/mujoco.h>

namespace arena {

struct ModelDeleter {
    void operator()(mjModel* m) const { mj_deleteModel(m); }
};
struct DataDeleter {
    void operator()(mjData* d) const { mj_deleteData(d); }
};
using ModelPtr = std::unique_ptr<mjModel, ModelDeleter>;
using DataPtr = std::unique_ptr<mjData, DataDeleter>;

class Scene {
public:
    // Loads the file; throws WorldError with MuJoCo's message (which names
    // the line) folded onto one line.
    explicit Scene(const std::filesystem::path& file);

    const mjModel* model() const { return model_.get(); }
    const std::filesystem::path& file() const { return file_; }

    // The id of a named object of type mjOBJ_*, or -1.
    int find(int type, const std::string& name) const;

private:
    std::filesystem::path file_;
    ModelPtr model_;
};

}  // namespace arena

#endif
