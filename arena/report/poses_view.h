// poses.csv as the replay needs it: per body, its times and poses
// (x, y, z, qw, qx, qy, qz), thinned to at most max_frames; a body that never
// moves keeps a single frame.
#ifndef ARENA_REPORT_POSES_VIEW_H
#define ARENA_REPORT_POSES_VIEW_H

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena {

nlohmann::json poses_view(const std::filesystem::path& file, std::size_t max_frames, std::vector<std::string>& notes);

}  // namespace arena

#endif
