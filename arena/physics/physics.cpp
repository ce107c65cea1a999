#include "arena/physics/physics.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "devices/custom_drive.h"

namespace arena {
namespace {

std::string at(double t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "t = %.3f s: ", t);
    return buf;
}

bool fatal(int warning) {
    switch (warning) {
    case mjWARN_CONTACTFULL:
    case mjWARN_CNSTRFULL:
    case mjWARN_BADQPOS:
    case mjWARN_BADQVEL:
    case mjWARN_BADQACC: return true;
    default: return false;
    }
}

}  // namespace

Physics::Physics(const mjModel* model) : model_(model) {
    install_mujoco_handlers();
    data_.reset(mj_makeData(model));
    if (!data_) throw PhysicsError("MuJoCo could not allocate the simulation's data");
    mj_forward(model_, data_.get());
}

void Physics::hold(int body, const std::array<float, 6>& force_torque) {
    auto it = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.body == body; });
    if (it == held_.end()) {
        held_.push_back({body, force_torque});
    } else {
        it->force_torque = force_torque;
    }
}

void Physics::begin_step() {
    if (begun_) return;
    guarded([&] { mj_step1(model_, data_.get()); });
    begun_ = true;
}

void Physics::placed() {
    begun_ = false;
    update_poses();
}

void Physics::blow(Wind wind) { wind_ = std::move(wind); }

// A body in the wind that no robot pushes has only the wind's force: what
// the last step applied is cleared first.
void Physics::apply_held() {
    mjData* d = data_.get();
    wind_.clear(d);
    for (const Held& h : held_) apply_relative_force_torque(model_, d, h.body, h.force_torque);
    wind_.push(d);
}

void Physics::step() {
    mjData* d = data_.get();
    const double start = d->time;
    guarded([&] {
        if (model_->opt.integrator == mjINT_RK4) {
            // mj_step2 integrates with Euler alone; RK4 needs the whole
            // mj_step, so the poses are brought up to date for the forces
            // first.
            if (!begun_) mj_kinematics(model_, d);
            apply_held();
            mj_step(model_, d);
        } else {
            if (!begun_) mj_step1(model_, d);
            apply_held();
            mj_step2(model_, d);
        }
    });
    begun_ = false;
    wind_.advance(model_->opt.timestep);
    check_warnings(start);
}

template <typename F>
void Physics::guarded(F&& f) {
    const double start = data_->time;
    try {
        f();
    } catch (const PhysicsError& e) {
        // MuJoCo's frames were unwound without giving back what they took
        // of the data's stack, and the step is half done.
        data_->pstack = 0;
        begun_ = false;
        throw PhysicsError(at(start) + e.what());
    }
}

void Physics::update_poses() { mj_kinematics(model_, data_.get()); }

void Physics::check_warnings(double step_start) {
    const mjData* d = data_.get();
    for (int w = 0; w < mjNWARNING; ++w) {
        const mjWarningStat& stat = d->warning[w];
        const int seen = std::exchange(seen_[std::size_t(w)], stat.number);
        if (stat.number <= seen || !fatal(w)) continue;  // fewer: the world was reset
        take_mujoco_warnings();                          // MuJoCo's own text of it: the error below says it all
        std::string text = mju_warningText(w, stat.lastinfo);
        if (w == mjWARN_BADQPOS || w == mjWARN_BADQVEL || w == mjWARN_BADQACC) {
            text += " MuJoCo reset the world to its start";
        }
        throw PhysicsError(at(step_start) + "the physics cannot go on: " + text);
    }
    for (std::string& text : take_mujoco_warnings()) messages_.push_back(at(step_start) + "MuJoCo: " + text);
}

std::vector<std::string> Physics::take_messages() {
    for (std::string& text : take_mujoco_warnings()) messages_.push_back(at(data_->time) + "MuJoCo: " + text);
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}

}  // namespace arena
