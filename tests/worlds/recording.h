// End-to-end helpers: run the built arena binary on a world, then read its
// recording through the documented formats only.
#ifndef TESTS_WORLDS_RECORDING_H
#define TESTS_WORLDS_RECORDING_H

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/record/json_text.h"  // arena::text_of reads a text of the JSON files back

namespace worlds_test {

std::filesystem::path world(const std::string& name);       // worlds/NAME
std::filesystem::path test_world(const std::string& name);  // tests/worlds/NAME

// A fresh temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ArenaResult {
    int status = -1;  // exit status; 128 + n when killed by signal n
    std::string out, err;
};

// Runs `arena ARGS...` to its end.
ArenaResult run_arena(const std::vector<std::string>& args);

std::string read_file(const std::filesystem::path& file);

struct ConsoleLine {
    double time;
    std::string robot, stream, text;
};
std::vector<ConsoleLine> read_console(const std::filesystem::path& recording);
// The texts of one robot's lines of one stream.
std::vector<std::string> texts(const std::vector<ConsoleLine>& lines, const std::string& robot,
                               const std::string& stream);

nlohmann::json read_summary(const std::filesystem::path& recording);
std::vector<nlohmann::json> read_trace(const std::filesystem::path& recording, const std::string& robot);

struct Pose {
    double time;
    std::array<double, 3> position;
};
std::vector<Pose> read_poses(const std::filesystem::path& recording, const std::string& body);

// True while a process with this pid exists (and is not a zombie).
bool process_alive(int pid);

}  // namespace worlds_test

#endif
