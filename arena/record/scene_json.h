// scene.json: the static shapes of the scene, for viewers of a recording.
// Geom poses are relative to their body; poses.csv moves the bodies. Body
// names are json_text, so a name that is not UTF-8 is kept whole.
#ifndef ARENA_RECORD_SCENE_JSON_H
#define ARENA_RECORD_SCENE_JSON_H

#include <mujoco/mujoco.h>
#include <nlohmann/json.hpp>

namespace arena {

nlohmann::json scene_json(const mjModel* m);

}  // namespace arena

#endif
