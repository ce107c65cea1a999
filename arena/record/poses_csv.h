// poses.csv: every body's pose over time, time,body,x,y,z,qw,qx,qy,qz,
// with numbers that read back bit for bit.
#ifndef ARENA_RECORD_POSES_CSV_H
#define ARENA_RECORD_POSES_CSV_H

#include <filesystem>
#include <fstream>
#include <string>

#include <mujoco/mujoco.h>

namespace arena {

class PosesCsv {
public:
    explicit PosesCsv(const std::filesystem::path& file);
    // One row per body (the world itself left out), from d's
    // kinematics, which the caller has brought up to date.
    void write(double time, const mjModel* m, const mjData* d);

private:
    std::ofstream out_;
};

// The shortest text that reads back as exactly v.
std::string round_trip(double v);

// A body's name in the recording: its MJCF name, or "body<id>" for an
// unnamed one, so every body can be placed by a viewer.
std::string body_label(const mjModel* m, int body);

}  // namespace arena

#endif
