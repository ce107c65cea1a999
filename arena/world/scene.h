// The MJCF scene: MuJoCo's model, owned, checked and sized for its world,
// with name lookups that say which manifest entry wanted a name the scene
// lacks.
#ifndef ARENA_WORLD_SCENE_H
#define ARENA_WORLD_SCENE_H

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <mujoco/mujoco.h>

#include "arena/physics/mujoco_ptr.h"
#include "arena/world/overrides.h"
#include "arena/world/scene_overrides.h"

namespace arena {

class Scene {
public:
    // Loads the file; throws WorldError with MuJoCo's message (which names
    // the line) folded onto one line, or naming the option of <option> that
    // is out of range (a time step not in (0, 1] s, any option not finite),
    // or when the scene holds a NaN. Sizes MuJoCo's buffers for the world
    // (see buffer_sizes.h).
    // The scene's overrides are applied to its text first (scene_overrides.h);
    // a message about an element they changed names them.
    explicit Scene(const std::filesystem::path& file, const Overrides& overrides = {});

    const mjModel* model() const { return model_.get(); }
    const std::filesystem::path& file() const { return file_; }

    // What MuJoCo warned of while loading, for the run to report.
    const std::vector<std::string>& warnings() const { return warnings_; }

    // The id of a named object of type mjOBJ_*, or -1.
    int find(int type, const std::string& name) const;

private:
    void load_checked(const SceneEdit& edit);

    std::filesystem::path file_;
    ModelPtr model_;
    std::vector<std::string> warnings_;
};

}  // namespace arena

#endif
