#include "course/course_figures.h"

#include <cmath>
#include <stdexcept>

namespace arena {
namespace {

constexpr std::size_t kContactsKept = 5;

int body_id(const mjModel* m, const std::string& name) {
    const int id = mj_name2id(m, mjOBJ_BODY, name.c_str());
    if (id < 0) throw std::runtime_error("[course] names body \"" + name + "\", which the scene lacks");
    return id;
}

int opening_site(const mjModel* m, int body, const std::string& name) {
    for (int s = 0; s < m->nsite; ++s)
        if (m->site_bodyid[s] == body && m->site_type[s] == mjGEOM_BOX) return s;
    throw std::runtime_error("[course] gate \"" + name + "\" has no box site marking its opening");
}

// Signed distance along the site's z axis, and the in-plane offsets.
void to_local(const mjtNum* centre, const mjtNum* axes, const mjtNum* p, mjtNum local[3]) {
    mjtNum rel[3];
    mju_sub3(rel, p, centre);
    mju_mulMatTVec(local, axes, rel, 3, 3);
}

// The signed distance alone: the third of to_local's coordinates, all that
// is needed at the physics steps where no crossing happens.
mjtNum side_of(const mjtNum* centre, const mjtNum* axes, const mjtNum* p) {
    return axes[2] * (p[0] - centre[0]) + axes[5] * (p[1] - centre[1]) + axes[8] * (p[2] - centre[2]);
}

}  // namespace

CourseFigures::CourseFigures(const mjModel* m, const mjData* d, const CourseSpec& spec, int robot_body)
    : robot_(spec.robot), body_(robot_body), dock_(body_id(m, spec.dock)), last_time_(d->time) {
    mju_copy3(last_pos_, d->xpos + 3 * body_);
    for (const std::string& name : spec.gates) {
        const int site = opening_site(m, body_id(m, name), name);
        Gate gate;
        gate.name = name;
        mju_copy3(gate.centre, d->site_xpos + 3 * site);
        mju_copy(gate.axes, d->site_xmat + 9 * site, 9);
        gate.half_width = m->site_size[3 * site];
        gate.half_height = m->site_size[3 * site + 1];
        mjtNum local[3];
        to_local(gate.centre, gate.axes, last_pos_, local);
        gate.last_side = local[2];
        gates_.push_back(gate);
    }
}

void CourseFigures::check(const mjModel* m, const CourseSpec& spec) {
    body_id(m, spec.dock);
    for (const std::string& name : spec.gates) opening_site(m, body_id(m, name), name);
}

void CourseFigures::observe(const mjModel* m, const mjData* d) {
    const double time = d->time - m->opt.timestep;
    const mjtNum* pos = d->xpos + 3 * body_;
    for (Gate& gate : gates_) check_gate(gate, pos, time);
    check_contacts(m, d, time);
    mju_copy3(last_pos_, pos);
    last_time_ = time;
}

// A crossing is a change of side of the gate's plane between two physics
// steps; the moment and the offset are interpolated between them. Only the
// first crossing through the opening counts; passes outside it are counted.
void CourseFigures::check_gate(Gate& gate, const mjtNum* pos, double time) {
    const mjtNum before = gate.last_side, after = side_of(gate.centre, gate.axes, pos);
    gate.last_side = after;
    const bool changed_side = (before < 0) != (after < 0);
    if (gate.time || !changed_side) return;

    const mjtNum f = before / (before - after);
    mjtNum at[3], then[3];
    for (int i = 0; i < 3; ++i) at[i] = last_pos_[i] + f * (pos[i] - last_pos_[i]);
    to_local(gate.centre, gate.axes, at, then);
    if (std::fabs(then[0]) <= gate.half_width && std::fabs(then[1]) <= gate.half_height) {
        gate.time = last_time_ + f * (time - last_time_);
        gate.offset[0] = then[0];
        gate.offset[1] = then[1];
    } else {
        ++gate.outside_crossings;
    }
}

void CourseFigures::check_contacts(const mjModel* m, const mjData* d, double time) {
    for (int i = 0; i < d->ncon; ++i) {
        const mjContact& c = d->contact[i];
        const bool mine1 = m->geom_bodyid[c.geom1] == body_;
        const bool mine2 = m->geom_bodyid[c.geom2] == body_;
        if (mine1 == mine2 || c.dist > 0) continue;
        ++contact_count_;
        if (first_contacts_.size() < kContactsKept) {
            const char* other = mj_id2name(m, mjOBJ_GEOM, mine1 ? c.geom2 : c.geom1);
            first_contacts_.push_back({time, other ? other : "(unnamed geom)"});
        }
    }
}

void CourseFigures::console_line(const mjData* d, std::string_view robot, std::string_view text) {
    if (docked_time_ || robot != robot_ || text != "Docking COMPLETADO") return;
    docked_time_ = d->time;
    docked_distance_ = mju_dist3(d->xpos + 3 * body_, d->xpos + 3 * dock_);
}

// Every gate crossed through its opening, each after the one before it,
// the docking reported within the run, and nothing touched on the way.
bool CourseFigures::success() const {
    double last = -1.0;
    for (const Gate& g : gates_) {
        if (!g.time || *g.time <= last) return false;
        last = *g.time;
    }
    return docked_time_.has_value() && contact_count_ == 0;
}

nlohmann::json CourseFigures::to_json() const {
    nlohmann::json gates = nlohmann::json::array();
    for (const Gate& g : gates_) {
        nlohmann::json j = {
            {"gate", g.name}, {"crossed", g.time.has_value()}, {"outside_crossings", g.outside_crossings}};
        if (g.time) {
            j["time"] = *g.time;
            j["offset"] = {g.offset[0], g.offset[1]};
        }
        gates.push_back(j);
    }
    nlohmann::json docking = nullptr;
    if (docked_time_) docking = {{"time", *docked_time_}, {"distance", docked_distance_}};
    nlohmann::json contacts = nlohmann::json::array();
    for (const Contact& c : first_contacts_) contacts.push_back({{"time", c.time}, {"geom", c.geom}});
    return {{"robot", robot_},           {"success", success()},          {"gates", gates},
            {"docking", docking},        {"touched", contact_count_ > 0}, {"contact_steps", contact_count_},
            {"first_contacts", contacts}};
}

}  // namespace arena
