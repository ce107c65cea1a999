#include "devices/radio.h"

#include "devices/ray.h"

#include <cmath>
#include <numbers>

namespace arena {

namespace {

// Whether `dir` (unit) lies inside the cone of full angle `aperture` around
// the site's +x axis.
bool inside_cone(const mjData* d, int site, const mjtNum dir[3], double aperture) {
    if (aperture >= 2 * std::numbers::pi) return true;
    const mjtNum* mat = d->site_xmat + 9 * site;
    const mjtNum axis[3] = {mat[0], mat[3], mat[6]};
    return mju_dot3(axis, dir) >= std::cos(aperture / 2);
}

}  // namespace

bool can_hear(const mjModel* m, const mjData* d, const EmitterModel& emitter, int emitter_body,
              const ReceiverModel& receiver, int receiver_body) {
    const mjtNum* from = d->site_xpos + 3 * emitter.site;
    const mjtNum* to = d->site_xpos + 3 * receiver.site;
    mjtNum dir[3];
    mju_sub3(dir, to, from);
    const mjtNum distance = mju_normalize3(dir);
    if (distance > emitter.range) return false;
    if (distance < mjMINVAL) return true;  // the same point: no direction to test
    if (!inside_cone(d, emitter.site, dir, emitter.aperture)) return false;
    const mjtNum back[3] = {-dir[0], -dir[1], -dir[2]};
    if (!inside_cone(d, receiver.site, back, receiver.aperture)) return false;
    const RayHit hit = cast_ray(m, d, RayFilter(m, emitter_body, receiver_body), from, dir);
    return hit.geom < 0 || hit.distance >= distance;
}

}  // namespace arena
