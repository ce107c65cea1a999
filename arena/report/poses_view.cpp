#include "arena/report/poses_view.h"

#include <array>
#include <charconv>
#include <map>

#include "arena/record/csv_text.h"
#include "arena/report/decimate.h"
#include "arena/report/recording_lines.h"
#include "arena/report/shown_text.h"

namespace arena {
namespace {

using Pose = std::array<double, 7>;

struct Track {
    std::vector<double> times;
    std::vector<Pose> poses;
};

double number(std::string_view field) {
    double v = 0;
    const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
    if (r.ec != std::errc() || r.ptr != field.data() + field.size()) {
        throw RecordingError("not a number: \"" + std::string(field) + "\"");
    }
    return v;
}

nlohmann::json track_view(const Track& track, std::size_t max_frames) {
    bool still = true;
    for (const Pose& p : track.poses) still = still && p == track.poses.front();
    const std::size_t n = still ? 1 : track.times.size();
    const std::size_t stride = stride_for(n, max_frames);
    nlohmann::json t = nlohmann::json::array(), p = nlohmann::json::array();
    for (std::size_t i = 0; i < n; ++i) {
        if (!kept(i, n, stride)) continue;
        t.push_back(rounded(track.times[i], 1e4));
        for (int k = 0; k < 7; ++k) p.push_back(rounded(track.poses[i][k], k < 3 ? 1e4 : 1e5));
    }
    return {{"t", t}, {"p", p}};
}

}  // namespace

nlohmann::json poses_view(const std::filesystem::path& file, std::size_t max_frames, std::vector<std::string>& notes) {
    std::map<std::string, Track, std::less<>> tracks;
    bool header = true;
    for_each_line(
        file,
        [&](std::string_view line) {
            if (header) {
                if (line != "time,body,x,y,z,qw,qx,qy,qz") throw RecordingError("unexpected header");
                header = false;
                return;
            }
            const auto f = csv_fields(line);
            if (f.size() != 9) throw RecordingError("expected 9 fields, found " + std::to_string(f.size()));
            Pose pose;
            for (int k = 0; k < 7; ++k) pose[k] = number(f[2 + k]);
            const double time = number(f[0]);
            // Named as scene.json's bodies are on the page, so the two meet.
            const std::string name = shown_text(f[1]);
            auto it = tracks.find(name);
            if (it == tracks.end()) it = tracks.emplace(name, Track{}).first;
            it->second.times.push_back(time);
            it->second.poses.push_back(pose);
        },
        notes, csv_record_end);
    nlohmann::json out = nlohmann::json::object();
    std::size_t longest = 0;
    for (const auto& [name, track] : tracks) {
        out[name] = track_view(track, max_frames);
        longest = std::max(longest, track.times.size());
    }
    if (longest > max_frames) {
        notes.push_back("the replay shows every " + std::to_string(stride_for(longest, max_frames)) +
                        "th recorded pose of " + std::to_string(longest));
    }
    return out;
}

}  // namespace arena
