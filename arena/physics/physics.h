// The state of a run's physics and the one rule by which it steps.
//
// Every physics step is taken in two halves: mj_step1 brings the bodies'
// poses and velocities up to date, the held custom-drive forces are then
// turned into world axes with those current poses, and mj_step2 finishes the
// step. So a push in a robot's own axes turns with the robot at every step
// alike. Wind (wind.h) is added to the same forces at every step, in world
// axes, and moves on after the step. The first half of the next step may be taken early
// (begin_step), while the controllers compute, since it does not depend on
// their commands: forces and wheel speeds act only in the second half. A body
// placed by a move makes that early half stale; placed() throws it away.
//
// After each step MuJoCo's warning counters are read. Fatal, as PhysicsError
// (the physics can no longer be trusted):
//   - the contact or constraint buffer is full (contacts were dropped:
//     bodies sink through the floor or are flung off),
//   - a bad number in positions, velocities or accelerations (MuJoCo reset
//     the whole world to its start),
//   - any MuJoCo error.
// Reported as messages and otherwise carried on with: a (near) singular
// inertia, the visual geom buffer full, a bad number in a control (MuJoCo
// zeroes it), and every other warning text MuJoCo raised.
#ifndef ARENA_PHYSICS_PHYSICS_H
#define ARENA_PHYSICS_PHYSICS_H

#include <mujoco/mujoco.h>

#include <array>
#include <string>
#include <vector>

#include "arena/physics/mujoco_messages.h"
#include "arena/physics/mujoco_ptr.h"
#include "arena/physics/wind.h"

namespace arena {

class Physics {
public:
    // Makes the data for the model at its initial state, poses computed.
    explicit Physics(const mjModel* model);

    const mjModel* model() const { return model_; }
    mjData* data() { return data_.get(); }
    const mjData* data() const { return data_.get(); }
    double time() const { return data_->time; }

    // Pushes the body with this force (x, y, z) and torque in its own axes
    // at every step from now on, until held again.
    void hold(int body, const std::array<float, 6>& force_torque);
    // Blows this wind from now on, at every step.
    void blow(Wind wind);
    const Wind& wind() const { return wind_; }

    // Takes the coming step's first half now; nothing if already taken.
    void begin_step();
    // Bodies were placed (qpos or mocap written): the first half taken for
    // the old poses is thrown away and the poses are brought up to date.
    void placed();
    // One whole physics step. Throws PhysicsError when the physics cannot
    // go on (see the top of this file).
    void step();
    // Brings the bodies' poses (xpos, xmat and the like) up to the state the
    // last step left: a step integrates positions after working out the
    // poses, so they lag one step behind until this or the next step.
    void update_poses();

    // What MuJoCo reported since the last call, one line each, with the
    // simulated time it happened at.
    std::vector<std::string> take_messages();

private:
    struct Held {
        int body;
        std::array<float, 6> force_torque;
    };
    // Runs MuJoCo calls; a MuJoCo error comes out as PhysicsError with the
    // time it happened at.
    template <typename F>
    void guarded(F&& f);
    void apply_held();
    void check_warnings(double step_start);

    const mjModel* model_;
    DataPtr data_;
    std::vector<Held> held_;
    Wind wind_;
    bool begun_ = false;                  // the coming step's first half is taken
    std::array<int, mjNWARNING> seen_{};  // warning counters already reported
    std::vector<std::string> messages_;
};

}  // namespace arena

#endif
