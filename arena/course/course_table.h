// The [course] table of world.toml: which robot flies a course of gates and
// where it docks, so the arena can measure the flight.
#ifndef ARENA_COURSE_COURSE_TABLE_H
#define ARENA_COURSE_COURSE_TABLE_H

#include <string>
#include <vector>

namespace arena {

struct CourseSpec {
    std::string robot;               // the robot that flies the course
    std::vector<std::string> gates;  // MJCF bodies, in the order flown
    std::string dock;                // MJCF body
    int line = 0;                    // in world.toml, for messages
};

}  // namespace arena

#endif
