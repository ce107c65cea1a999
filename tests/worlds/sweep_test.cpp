// `arena sweep` as a user meets it: a bad spec is refused in one line, a run
// that fails is a row and not the end of the sweep, the table does not depend
// on how many runs went at once, and an interrupted sweep resumes to the
// same table.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "recording.h"

namespace {

using namespace worlds_test;
namespace fs = std::filesystem;

fs::path write_spec(const fs::path& dir, const std::string& world_path, const std::string& rest) {
    const fs::path file = dir / "spec.toml";
    std::ofstream(file) << "world = \"" << world_path << "\"\n" << rest;
    return file;
}

// The gate course's smoke spec: six flights, light and heavy, from two starts.
fs::path smoke_spec() { return world("gate_course") / "sweeps" / "smoke.toml"; }

// results.csv without its last column, the wall time.
std::string table_without_wall_time(const fs::path& dir) {
    std::stringstream in(read_file(dir / "results.csv"));
    std::string out;
    for (std::string line; std::getline(in, line);) out += line.substr(0, line.rfind(',')) + "\n";
    return out;
}

std::size_t rows_in(const fs::path& dir) {
    std::error_code ec;
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir / "rows", ec)) n += e.path().extension() == ".json";
    return n;
}

TEST(Sweep, ABadSpecIsOneLineAndStatus2) {
    TempDir tmp;
    const struct {
        std::string body, expected;
    } cases[] = {
        {"[[vary]]\nkey = \"robot.airship\"\nvalues = [1]\n", "spec.toml:3: vary.key: a robot's key is robot.NAME"},
        {"[[vary]]\nkey = \"scene.body.airshp.pos\"\nvalues = [\"0 1 0\"]\n",
         "grid 1, first point: --set scene.body.airshp.pos"},
        {"[[vary]]\nkey = \"duration\"\nrange = { from = 5, to = 1, step = 1 }\n", "spec.toml:4: vary.duration.range"},
    };
    for (const auto& c : cases) {
        const fs::path spec = write_spec(tmp.path(), world("gate_course").string(), c.body);
        const ArenaResult r = run_arena({"sweep", spec.string(), "--out", (tmp.path() / "out").string()});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists(tmp.path() / "out")) << "a bad spec starts nothing";
    }
}

TEST(Sweep, AFailingRunIsARowWithItsReasonAndTheSweepFinishes) {
    TempDir tmp;
    // Cut at 0.1 s every controller is still well; at 1 s one has crashed.
    const fs::path spec = write_spec(tmp.path(), test_world("misbehaving").string(),
                                     "[[vary]]\nkey = \"duration\"\nvalues = [0.1, 1.0]\n");
    const fs::path out = tmp.path() / "out";
    const ArenaResult r = run_arena({"sweep", spec.string(), "--out", out.string(), "--jobs", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json data = nlohmann::json::parse(read_file(out / "sweep.json"));
    ASSERT_EQ(data["rows"].size(), 2u);
    const nlohmann::json& calm = data["rows"][0];
    const nlohmann::json& crashed = data["rows"][1];
    EXPECT_EQ(calm["status"], 0);
    EXPECT_EQ(crashed["status"], 1);
    EXPECT_NE(crashed["reason"].get<std::string>().find("crasher"), std::string::npos) << crashed;
    EXPECT_FALSE(crashed["success"].get<bool>());
    // A failure's recording is kept, with its report, and the page links it.
    EXPECT_TRUE(fs::exists(out / crashed["kept"].get<std::string>() / "report.html"));
    EXPECT_NE(read_file(out / "results.csv").find("killed by SIGSEGV"), std::string::npos);
}

TEST(Sweep, OneOrTwoRunsAtATimeGiveTheSameTable) {
    TempDir tmp;
    const fs::path spec = smoke_spec();
    for (const char* jobs : {"1", "2"}) {
        const ArenaResult r = run_arena(
            {"sweep", spec.string(), "--out", (tmp.path() / jobs).string(), "--jobs", jobs, "--keep", "none"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const std::string one = table_without_wall_time(tmp.path() / "1");
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 7) << one;
    EXPECT_EQ(one, table_without_wall_time(tmp.path() / "2"));
    // The course's own success reaches the table: the usual craft docks.
    EXPECT_NE(one.find(",true,0,"), std::string::npos) << one;
}

TEST(Sweep, ResumeAfterAnInterruptFinishesWithTheSameTable) {
    TempDir tmp;
    const fs::path spec = smoke_spec();
    const fs::path whole = tmp.path() / "whole", cut = tmp.path() / "cut";
    ASSERT_EQ(run_arena({"sweep", spec.string(), "--out", whole.string(), "--jobs", "1"}).status, 0);

    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(ARENA_BIN, ARENA_BIN, "sweep", spec.c_str(), "--out", cut.c_str(), "--jobs", "1",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Interrupt once some runs have finished (the wait only guards a hang).
    for (int i = 0; i < 6000 && rows_in(cut) < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_LT(rows_in(cut), 6u) << "the interrupt came after the sweep had ended";

    const ArenaResult again = run_arena({"sweep", spec.string(), "--out", cut.string(), "--resume"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(table_without_wall_time(cut), table_without_wall_time(whole));
}

}  // namespace
