// MuJoCo's model and data, owned: freed with MuJoCo's own functions.
#ifndef ARENA_PHYSICS_MUJOCO_PTR_H
#define ARENA_PHYSICS_MUJOCO_PTR_H

#include <mujoco/mujoco.h>

#include <memory>

namespace arena {

struct ModelDeleter {
    void operator()(mjModel* m) const { mj_deleteModel(m); }
};
struct DataDeleter {
    void operator()(mjData* d) const { mj_deleteData(d); }
};
using ModelPtr = std::unique_ptr<mjModel, ModelDeleter>;
using DataPtr = std::unique_ptr<mjData, DataDeleter>;

}  // namespace arena

#endif
