// arena report on recordings it must not trust: each refused with status 2
// and one line naming the file, never blocking, never reading a device,
// never overflowing its stack.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "recording.h"

namespace worlds_test {
namespace {

void write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

TEST(Report, RefusesHostileFilesWithStatus2) {
    const struct {
        const char* name;
        const char* file;
        void (*plant)(const std::filesystem::path&);
        const char* says;
    } cases[] = {
        {"FIFO", "console.log", [](const auto& p) { mkfifo(p.c_str(), 0644); }, "not a regular file"},
        {"/dev/zero", "scene.json", [](const auto& p) { std::filesystem::create_symlink("/dev/zero", p); },
         "not a regular file"},
        {"deep nesting", "summary.json",
         [](const auto& p) { write(p, std::string(100000, '[') + std::string(100000, ']')); },
         "JSON nested deeper than 64 levels"},
        {"huge line", "traces/r.jsonl",
         [](const auto& p) { write(p, "{\"t\":0,\"x\":\"" + std::string(17 << 20, 'a') + "\"}\n{\"t\":1}\n"); },
         "a line longer than 16 MiB"},
    };
    for (const auto& c : cases) {
        TempDir rec;
        std::filesystem::create_directories(rec.path() / "traces");
        write(rec.path() / "scene.json", R"({"bodies":[]})");
        write(rec.path() / "poses.csv", "time,body,x,y,z,qw,qx,qy,qz\n");
        std::filesystem::remove(rec.path() / c.file);
        c.plant(rec.path() / c.file);
        const ArenaResult r = run_arena({"report", rec.path().string()});
        EXPECT_EQ(r.status, 2) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find((rec.path() / c.file).string()), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(rec.path() / "report.html")) << c.name;
    }
}

}  // namespace
}  // namespace worlds_test
