#pragma once
// The infrared link: who hears an emitter. Emitters and receivers face along
// their site's +x.

#include "devices/packet_queue.h"

#include <mujoco/mujoco.h>

namespace arena {

struct EmitterModel {
    int site;         // MJCF site id
    double range;     // metres
    double aperture;  // radians, full cone; >= 2*pi: all around
};

struct ReceiverModel {
    int site;         // MJCF site id
    double aperture;  // radians, full cone; >= 2*pi: all around
};

// True when the receiver is within the emitter's range, inside the emitter's
// cone and the receiver's own cone, and nothing but the two robots' own geoms
// (the subtrees of emitter_body and receiver_body) lies between the sites.
bool can_hear(const mjModel* m, const mjData* d, const EmitterModel& emitter, int emitter_body,
              const ReceiverModel& receiver, int receiver_body);

}  // namespace arena
