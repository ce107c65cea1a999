#include "arena/record/scene_json.h"

#include "arena/record/json_text.h"
#include "arena/record/poses_csv.h"

namespace arena {
namespace {

const char* geom_type_name(int type) {
    switch (type) {
    case mjGEOM_PLANE: return "plane";
    case mjGEOM_SPHERE: return "sphere";
    case mjGEOM_CAPSULE: return "capsule";
    case mjGEOM_ELLIPSOID: return "ellipsoid";
    case mjGEOM_CYLINDER: return "cylinder";
    case mjGEOM_BOX: return "box";
    case mjGEOM_MESH: return "mesh";
    default: return "other";
    }
}

nlohmann::json numbers(const mjtNum* v, int n) {
    nlohmann::json a = nlohmann::json::array();
    for (int i = 0; i < n; ++i) a.push_back(v[i]);
    return a;
}

nlohmann::json colour(const mjModel* m, int g) {
    // A geom with a material and no colour of its own shows the material's.
    const float* rgba = m->geom_matid[g] >= 0 ? m->mat_rgba + 4 * m->geom_matid[g] : m->geom_rgba + 4 * g;
    nlohmann::json a = nlohmann::json::array();
    for (int i = 0; i < 4; ++i) a.push_back(double(rgba[i]));
    return a;
}

}  // namespace

nlohmann::json scene_json(const mjModel* m) {
    nlohmann::json bodies = nlohmann::json::array();
    for (int b = 0; b < m->nbody; ++b) {
        nlohmann::json geoms = nlohmann::json::array();
        for (int g = m->body_geomadr[b]; g >= 0 && g < m->body_geomadr[b] + m->body_geomnum[b]; ++g) {
            geoms.push_back({{"type", geom_type_name(m->geom_type[g])},
                             {"size", numbers(m->geom_size + 3 * g, 3)},
                             {"pos", numbers(m->geom_pos + 3 * g, 3)},
                             {"quat", numbers(m->geom_quat + 4 * g, 4)},
                             {"rgba", colour(m, g)}});
        }
        bodies.push_back({{"name", json_text(b == 0 ? std::string("world") : body_label(m, b))}, {"geoms", geoms}});
    }
    return {{"bodies", bodies}};
}

}  // namespace arena
