// Where a robot's controller program lives.
#ifndef ARENA_WORLD_CONTROLLER_PATH_H
#define ARENA_WORLD_CONTROLLER_PATH_H

#include <filesystem>
#include <string>

namespace arena {

// A bare name ("ir_avoider") is a program beside the arena binary, in
// `programs`; anything with a slash is a path relative to the world folder.
// Returns an empty path if there is no executable file there.
std::filesystem::path find_controller(const std::string& controller, const std::filesystem::path& world_folder,
                                      const std::filesystem::path& programs);

// The folder of the running executable, from /proc/self/exe.
std::filesystem::path own_folder();

}  // namespace arena

#endif
