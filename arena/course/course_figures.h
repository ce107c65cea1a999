// Flight figures of a course world: when the craft crossed each gate and
// where in the opening, when it reported docking and how far from the dock
// it was then, and whether it touched anything. Measured by the arena from
// the world's own geometry, so they judge the flight, not the program's idea
// of it.
#ifndef ARENA_COURSE_COURSE_FIGURES_H
#define ARENA_COURSE_COURSE_FIGURES_H

#include <mujoco/mujoco.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "course/course_table.h"

namespace arena {

class CourseFigures {
public:
    // Each gate body must hold a box site: its x-y rectangle (half sizes
    // size[0], size[1]) is the opening, its z axis the direction of flight.
    // Throws std::runtime_error naming the body or site that is missing.
    CourseFigures(const mjModel* m, const mjData* d, const CourseSpec& spec, int robot_body);
    // The same checks of the names, without a state to measure from.
    static void check(const mjModel* m, const CourseSpec& spec);

    // After every mj_step. Its positions and contacts are those of the start
    // of the step, one timestep before d->time.
    void observe(const mjModel* m, const mjData* d);
    // Every whole console line of every robot, with the physics brought up
    // to date (mj_forward) at the line's time.
    void console_line(const mjData* d, std::string_view robot, std::string_view text);

    // The flight as a whole: the gates in order, docked, nothing touched.
    bool success() const;
    nlohmann::json to_json() const;

private:
    struct Gate {
        std::string name;
        mjtNum centre[3];
        mjtNum axes[9];  // row-major: the site frame's axes as columns
        mjtNum half_width, half_height;
        mjtNum last_side = 0;  // signed distance to the plane at the last step
        int outside_crossings = 0;
        std::optional<double> time;
        mjtNum offset[2] = {0, 0};
    };
    struct Contact {
        double time;
        std::string geom;
    };

    void check_gate(Gate& gate, const mjtNum* pos, double time);
    void check_contacts(const mjModel* m, const mjData* d, double time);

    std::string robot_;
    int body_;
    int dock_;
    std::vector<Gate> gates_;
    mjtNum last_pos_[3];
    double last_time_;
    std::optional<double> docked_time_;
    mjtNum docked_distance_ = 0;
    int contact_count_ = 0;
    std::vector<Contact> first_contacts_;
};

}  // namespace arena

#endif
