// A world that cannot be run: one line naming the file and the robot or
// device at fault. `arena run` and `arena check` print it and exit 2.
#ifndef ARENA_WORLD_WORLD_ERROR_H
#define ARENA_WORLD_WORLD_ERROR_H

#include <stdexcept>
#include <string>

namespace arena {

class WorldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace arena

#endif
