#include "arena/world/controller_path.h"

#include <unistd.h>

namespace arena {

std::filesystem::path find_controller(const std::string& controller, const std::filesystem::path& world_folder,
                                      const std::filesystem::path& programs) {
    std::filesystem::path p =
        controller.find('/') == std::string::npos ? programs / controller : world_folder / controller;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec) || access(p.c_str(), X_OK) != 0) return {};
    return std::filesystem::absolute(p, ec);
}

std::filesystem::path own_folder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

}  // namespace arena
