// The command as a user meets it: help, bad usage and bad worlds with their
// statuses, and an interrupt that still leaves a whole recording.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(Cli, HelpTellsTheCommandsAndExitStatuses) {
    ArenaResult r = run_arena({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"run", "check", "Exit status: 0", "1 a controller failed", "2 bad usage", "130"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    }
    ArenaResult run_help = run_arena({"run", "--help"});
    for (const char* part : {"--duration", "--record", "--seed", "--keys", "--interactive", "--realtime"}) {
        EXPECT_NE(run_help.out.find(part), std::string::npos) << part;
    }
}

TEST(Cli, BadUsageIsStatusTwo) {
    EXPECT_EQ(run_arena({}).status, 2);
    EXPECT_EQ(run_arena({"run"}).status, 2);
    EXPECT_EQ(run_arena({"run", world("diagonal").string(), "--duration", "-1"}).status, 2);
    EXPECT_EQ(run_arena({"fly", world("diagonal").string()}).status, 2);
    ArenaResult keys = run_arena({"run", world("diagonal").string(), "--keys", "/nonexistent/keys.toml"});
    EXPECT_EQ(keys.status, 2);
    EXPECT_NE(keys.err.find("/nonexistent/keys.toml: no such keys file"), std::string::npos) << keys.err;
}

TEST(Cli, BadWorldIsOneLineAndStatusTwoForCheckAndRun) {
    TempDir w;
    std::filesystem::copy(world("diagonal") / "scene.xml", w.path() / "scene.xml");
    std::ofstream(w.path() / "world.toml")
        << "[[robot]]\nname = \"stepper\"\nbody = \"stpper\"\ncontroller = \"pose_stepper\"\n";
    for (const char* command : {"check", "run"}) {
        ArenaResult r = run_arena({command, w.path().string()});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(r.err, "arena: " + (w.path() / "world.toml").string() +
                             ":1: robot \"stepper\": the scene scene.xml has no body \"stpper\"\n");
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

TEST(Cli, CheckRunsNothingAndSaysOk) {
    TempDir tmp;
    ArenaResult r = run_arena({"check", world("ir_link").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("ok, 5 robots"), std::string::npos) << r.out;
}

// Starts a long run, waits for the beacon's first line on standard output,
// then interrupts it.
TEST(Cli, InterruptStopsControllersAndWritesTheRecording) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl(ARENA_BIN, ARENA_BIN, "run", world("ir_link").c_str(), "--duration", "100000", "--record", rec.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string seen;
    char buf[256];
    ssize_t n;
    while (seen.find("[beacon] sent") == std::string::npos && (n = read(out[0], buf, sizeof buf)) > 0) {
        seen.append(buf, std::size_t(n));
    }
    kill(pid, SIGINT);
    while ((n = read(out[0], buf, sizeof buf)) > 0) {
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    nlohmann::json s = read_summary(rec);
    EXPECT_EQ(s["interrupted"], true);
    EXPECT_GT(s["duration"].get<double>(), 0.9);
    for (const char* robot : {"beacon", "receiver", "listener", "shadowed", "distant"}) {
        EXPECT_EQ(s["exits"][robot]["how"], "stopped") << robot;
    }
    EXPECT_FALSE(texts(read_console(rec), "beacon", "console").empty());
}

// A recorded run leaves its report beside the recording, and `arena report`
// writes it again from the recording alone, as the page a person opens.
TEST(Cli, RunWritesTheReportAndReportRewritesItFromTheRecording) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", world("diagonal").string(), "--duration", "1", "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::filesystem::exists(rec / "report.html"));
    std::filesystem::remove(rec / "report.html");

    r = run_arena({"report", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = read_file(rec / "report.html");
    EXPECT_NE(page.find("<html"), std::string::npos);
    EXPECT_NE(page.find("stepper"), std::string::npos) << "the page holds the recorded body";

    r = run_arena({"report", (tmp.path() / "nothing").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nothing"), std::string::npos) << r.err;
}

// The closing line's figures agree with each other: the simulated time is
// the run's, the speed is that over the stepping's wall time, and starting
// the controllers is counted apart.
TEST(Cli, RunSaysHowFastItSteppedAndHowLongStartingTook) {
    ArenaResult r = run_arena({"run", world("diagonal").string(), "--duration", "2", "--no-record"});
    ASSERT_EQ(r.status, 0) << r.err;
    double simulated = 0, wall = 0, speed = 0, starting = -1;
    const auto at = r.err.find("arena: ran ");
    ASSERT_NE(at, std::string::npos) << r.err;
    ASSERT_EQ(std::sscanf(r.err.c_str() + at,
                          "arena: ran %lf s of simulated time in %lf s, %lf times real time (starting the "
                          "controllers took %lf ms)",
                          &simulated, &wall, &speed, &starting),
              4)
        << r.err;
    EXPECT_DOUBLE_EQ(simulated, 2.0);
    ASSERT_GE(wall, 0);  // a fast run can step 2 s in under half a millisecond
    // The wall time is printed to the millisecond.
    EXPECT_GE(speed, std::floor(simulated / (wall + 0.0005))) << "the speed is over the stepping alone";
    if (wall > 0.0005) {
        EXPECT_LE(speed, std::ceil(simulated / (wall - 0.0005)));
    }
    EXPECT_GT(starting, 0) << "starting a process takes time";
}

}  // namespace
}  // namespace worlds_test
