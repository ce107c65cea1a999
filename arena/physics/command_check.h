// The check a robot's commands pass before they touch the physics. One NaN
// or 1e38 force reaching MuJoCo makes it reset the whole world, every robot
// with it; a robot whose commands fail is refused and rests instead.
//
// Bounds, far beyond any robot this arena models yet small enough that the
// physics stays finite:
//   force    each component finite, length at most 1e4 N
//   torque   each component finite, length at most 1e4 N m
//   move     position components finite, each at most 1e4 m from the
//            origin; axis components finite (a zero axis means no turn);
//            angle finite, at most 1e4 rad
// Wheel speeds arrive as 16-bit integers and are clamped to each motor's
// range: no check is needed.
#ifndef ARENA_PHYSICS_COMMAND_CHECK_H
#define ARENA_PHYSICS_COMMAND_CHECK_H

#include <optional>
#include <string>

#include "link/messages.h"

namespace arena {

constexpr double kMaxForce = 1e4;     // N
constexpr double kMaxTorque = 1e4;    // N m
constexpr double kMaxPosition = 1e4;  // m, per axis
constexpr double kMaxAngle = 1e4;     // rad

// Why the step's commands cannot be carried out, or nothing when they can.
std::optional<std::string> refuse_commands(const link::Step& step);

}  // namespace arena

#endif
