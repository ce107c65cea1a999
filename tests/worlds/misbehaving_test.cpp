// Controllers that crash, quit early or ask for an impossible step: each is
// reported with its robot, how it ended and when; no process is left behind.
#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

int pid_of(const std::vector<ConsoleLine>& lines, const std::string& robot) {
    for (const auto& text : texts(lines, robot, "console")) {
        if (text.rfind("pid ", 0) == 0) return std::stoi(text.substr(4));
    }
    return -1;
}

bool has_line(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

TEST(Misbehaving, CrashAndEarlyExitAreReportedAndTheOthersGoOn) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("misbehaving").string(), "--record", rec.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    nlohmann::json s = read_summary(rec);

    // The crasher dies in its 5th step, handed its samples at 4 x 64 ms.
    EXPECT_EQ(s["exits"]["crasher"]["how"], "signal");
    EXPECT_EQ(s["exits"]["crasher"]["signal"], "SIGSEGV");
    EXPECT_DOUBLE_EQ(s["exits"]["crasher"]["time"].get<double>(), 0.256);
    EXPECT_EQ(s["steps"]["crasher"], 4);
    EXPECT_EQ(s["exits"]["quitter"]["how"], "exited");
    EXPECT_EQ(s["exits"]["quitter"]["status"], 3);
    EXPECT_DOUBLE_EQ(s["exits"]["quitter"]["time"].get<double>(), 0.128);
    // The well-behaved robot runs to the end: wakes at 0 to 0.96 s, and the
    // last pose, at 1 s, shows all 16 moves.
    EXPECT_EQ(s["exits"]["stepper"]["how"], "stopped");
    EXPECT_EQ(s["steps"]["stepper"], 16);
    EXPECT_NEAR(read_poses(rec, "stepper").back().position[0], 1.6, 1e-5);

    auto lines = read_console(rec);
    auto crasher_out = texts(lines, "crasher", "stdout");
    EXPECT_EQ(crasher_out.back(), "step 5");  // flushed just before the crash, not lost
    // Each line carries the time of the step that printed it: step k runs
    // from the samples of (k - 1) x 64 ms.
    for (const ConsoleLine& l : lines) {
        if (l.robot != "crasher" || l.stream != "stdout") continue;
        const int k = std::stoi(l.text.substr(5));
        EXPECT_NEAR(l.time, (k - 1) * 0.064, 1e-9) << l.text;
    }
    EXPECT_TRUE(has_line(texts(lines, "crasher", "arena"), "killed by SIGSEGV at t = 0.256 s"));
    EXPECT_TRUE(has_line(texts(lines, "quitter", "arena"), "exited with status 3 at t = 0.128 s"));
    EXPECT_NE(r.err.find("robot \"crasher\""), std::string::npos) << r.err;

    for (const char* robot : {"crasher", "quitter"}) {
        int pid = pid_of(lines, robot);
        ASSERT_GT(pid, 0) << robot;
        EXPECT_FALSE(process_alive(pid)) << robot;
    }
}

TEST(Misbehaving, ImpossibleStepStopsTheRunAsABadWorld) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("odd_step").string(), "--record", rec.string()});
    EXPECT_EQ(r.status, 2);
    // One line, naming the world file, the robot and the step.
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find("odd_step/world.toml"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("robot \"odd\": requested a step of 3 ms"), std::string::npos) << r.err;
    nlohmann::json s = read_summary(rec);
    EXPECT_EQ(s["exits"]["odd"]["how"], "stopped");
    EXPECT_EQ(s["exits"]["stepper"]["how"], "stopped");
    EXPECT_FALSE(s["error"].is_null());
    int pid = pid_of(read_console(rec), "odd");
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(process_alive(pid));
}

}  // namespace
}  // namespace worlds_test
