#include "devices/ray.h"

#include "devices/vec3.h"

#include <algorithm>
#include <cmath>

namespace arena {

bool in_subtree(const mjModel* m, int body, int root) {
    if (root < 0) return false;
    if (root == 0) return true;  // everything hangs below the world
    for (int b = body; b > 0; b = m->body_parentid[b])
        if (b == root) return true;
    return false;
}

RayFilter::RayFilter(const mjModel* m, int robot_a, int robot_b) : visible_(m->ngeom, 1) {
    for (int g = 0; g < m->ngeom; g++) {
        const int body = m->geom_bodyid[g];
        if (in_subtree(m, body, robot_a) || in_subtree(m, body, robot_b)) visible_[g] = 0;
    }
}

namespace {

// Whether the ray can meet a box's slabs ahead of its start and before
// `nearest` (< 0: no limit), in the box's own frame. Widened by a hair, so
// that a ray grazing an edge is left to MuJoCo's exact test.
bool may_hit_box(const mjModel* m, const mjData* d, int g, const mjtNum to_centre[3], const mjtNum dir[3],
                 mjtNum nearest) {
    const mjtNum* mat = d->geom_xmat + 9 * g;
    const mjtNum* half = m->geom_size + 3 * g;
    mjtNum centre[3], along[3];  // the box's centre seen from the ray's start, and the ray, in the box's frame
    vec3::mul_transposed(centre, mat, to_centre);
    vec3::mul_transposed(along, mat, dir);
    mjtNum enter = 0, leave = nearest < 0 ? mjMAXVAL : nearest;
    for (int i = 0; i < 3; i++) {
        const mjtNum h = half[i] * (1 + 1e-9) + 1e-12;
        if (std::abs(along[i]) < 1e-12) {
            if (std::abs(centre[i]) > h) return false;
            continue;
        }
        mjtNum t1 = (centre[i] - h) / along[i], t2 = (centre[i] + h) / along[i];
        if (t1 > t2) std::swap(t1, t2);
        enter = std::max(enter, t1);
        leave = std::min(leave, t2);
        if (enter > leave) return false;
    }
    return true;
}

// A cheap test before the exact one: can the ray meet the geom's bounding
// sphere (or a box's slabs) ahead of its start, and nearer than the nearest
// hit so far (nearest < 0: none yet)?
bool may_hit(const mjModel* m, const mjData* d, int g, const mjtNum from[3], const mjtNum dir[3], mjtNum nearest) {
    if (m->geom_type[g] == mjGEOM_PLANE) {
        // No bound, but a ray that starts on one side and heads away from the
        // plane (or along it) never meets it: most of a camera's sky.
        const mjtNum* mat = d->geom_xmat + 9 * g;
        const mjtNum normal[3] = {mat[2], mat[5], mat[8]};  // the plane's z axis
        mjtNum to_plane[3];
        vec3::sub(to_plane, d->geom_xpos + 3 * g, from);
        const mjtNum height = vec3::dot(to_plane, normal), along = vec3::dot(dir, normal);
        return along < 0 ? height <= 0 : along > 0 && height >= 0;
    }
    const mjtNum r = m->geom_rbound[g];
    if (r <= 0) return true;  // no bound
    mjtNum to_centre[3];
    vec3::sub(to_centre, d->geom_xpos + 3 * g, from);
    const mjtNum along = vec3::dot(to_centre, dir);
    const mjtNum dist2 = vec3::dot(to_centre, to_centre) - along * along;
    if (dist2 > r * r || along < -r) return false;
    if (nearest >= 0 && along - r >= nearest) return false;
    return m->geom_type[g] != mjGEOM_BOX || may_hit_box(m, d, g, to_centre, dir, nearest);
}

mjtNum ray_to_geom(const mjModel* m, const mjData* d, int g, const mjtNum from[3], const mjtNum dir[3]) {
    switch (m->geom_type[g]) {
    case mjGEOM_MESH: return mj_rayMesh(m, d, g, from, dir);
    case mjGEOM_HFIELD: return mj_rayHfield(m, d, g, from, dir);
    case mjGEOM_PLANE:
    case mjGEOM_SPHERE:
    case mjGEOM_CAPSULE:
    case mjGEOM_ELLIPSOID:
    case mjGEOM_CYLINDER:
    case mjGEOM_BOX:
        return mju_rayGeom(d->geom_xpos + 3 * g, d->geom_xmat + 9 * g, m->geom_size + 3 * g, from, dir,
                           m->geom_type[g]);
    default: return -1;
    }
}

void nearer(const mjModel* m, const mjData* d, int g, const mjtNum from[3], const mjtNum dir[3], RayHit& nearest) {
    if (!may_hit(m, d, g, from, dir, nearest.distance)) return;
    const mjtNum t = ray_to_geom(m, d, g, from, dir);
    if (t >= 0 && (nearest.geom < 0 || t < nearest.distance)) nearest = {t, g};
}

}  // namespace

RayHit cast_ray(const mjModel* m, const mjData* d, const RayFilter& filter, const mjtNum from[3], const mjtNum dir[3]) {
    RayHit nearest;
    for (int g = 0; g < m->ngeom; g++) {
        if (filter.hits(g)) nearer(m, d, g, from, dir, nearest);
    }
    return nearest;
}

RayHit cast_ray(const mjModel* m, const mjData* d, std::span<const int> geoms, const mjtNum from[3],
                const mjtNum dir[3]) {
    RayHit nearest;
    for (int g : geoms) nearer(m, d, g, from, dir, nearest);
    return nearest;
}

}  // namespace arena
