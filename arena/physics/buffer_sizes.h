// MuJoCo 2.2 works in buffers of fixed size, chosen when the data is made:
// by default 100 contacts and 500 constraint rows, whatever the world. A
// floor under 100 wheeled robots alone makes 600 contacts; the ones that do
// not fit are dropped, and the robots sink through the floor. So the arena
// sizes the buffers for the world it loads, unless the scene chose a size in
// its <size> element.
#ifndef ARENA_PHYSICS_BUFFER_SIZES_H
#define ARENA_PHYSICS_BUFFER_SIZES_H

#include <mujoco/mujoco.h>

namespace arena {

// Which sizes the scene set itself: those are kept.
struct SetSizes {
    bool nconmax = false;
    bool njmax = false;
    bool nstack = false;
};

// Sizes the rest, before any data is made:
//   nconmax  2 contacts per geom (a body resting on the floor and leaning
//            on a neighbour), at least MuJoCo's 100;
//   njmax    3 rows per contact (a contact with friction takes 1 to 4, and
//            frictionless skids take 1), 1 per degree of freedom (friction
//            loss, limits) and 6 per equality, at least MuJoCo's 500; at most
//            10000, as the solver's matrices grow with its square
//            (12 bytes a cell: 1.2 GB at 10000);
//   nstack   MuJoCo's own rule for the rows and degrees of freedom,
//            5 (njmax + nv)^2 numbers, never less than the compiled size; it
//            is only reserved, and memory is taken as the solver uses it.
// A world that still fills them stops with an error (see physics.h).
void size_buffers(mjModel* m, SetSizes set);

}  // namespace arena

#endif
