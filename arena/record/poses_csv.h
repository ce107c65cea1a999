// poses.csv: every body's pose over time, time,body,x,y,z,qw,qx,qy,qz,
// with numbers that read back bit for bit and body names quoted as
// csv_text.h says.
#ifndef ARENA_RECORD_POSES_CSV_H
#define ARENA_RECORD_POSES_CSV_H

#include <filesystem>
#include <string>

#include <mujoco/mujoco.h>

#include "arena/record/record_file.h"

namespace arena {

class PosesCsv {
public:
    explicit PosesCsv(const std::filesystem::path& file);
    // One row per body (the world itself left out), from d's
    // kinematics, which the caller has brought up to date; all rows of a
    // time or none. Throws RecordWriteError when they cannot be written.
    void write(double time, const mjModel* m, const mjData* d);

private:
    RecordFile out_;
};

// The shortest text that reads back as exactly v.
std::string round_trip(double v);

// A body's name in the recording: its MJCF name, or "body<id>" for an
// unnamed one, so every body can be placed by a viewer.
std::string body_label(const mjModel* m, int body);

}  // namespace arena

#endif
