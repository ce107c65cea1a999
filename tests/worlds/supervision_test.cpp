// Controllers that fork, escape into a new session, hang, spin, cut a frame
// short, break their lane or stop with an image unread: each ends alone,
// named, with its simulated time; the others go on; nothing outlives the
// run; and Ctrl-C always works.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

std::vector<int> pids_of(const std::vector<ConsoleLine>& lines, const std::string& robot, const std::string& what) {
    std::vector<int> pids;
    for (const auto& text : texts(lines, robot, "stdout")) {
        if (text.rfind(what + " ", 0) == 0) pids.push_back(std::stoi(text.substr(what.size() + 1)));
    }
    return pids;
}

std::string arena_lines(const std::vector<ConsoleLine>& lines, const std::string& robot) {
    std::string all;
    for (const auto& t : texts(lines, robot, "arena")) all += t + "\n";
    return all;
}

TEST(Supervision, HostileControllersEndAloneAndLeaveNothingBehind) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("hostile").string(), "--record", rec.string(), "--step-timeout", "1"});
    EXPECT_EQ(r.status, 1) << r.err;
    const nlohmann::json s = read_summary(rec);
    const auto lines = read_console(rec);

    struct Case {
        const char* robot;
        const char* how;
        const char* says;
        double time;  // the wake it was waited for in
    };
    for (const Case& c : std::vector<Case>{
             {"forker", "exited", "exited with status 0 at t = 0.128 s", 0.128},
             {"silent", "failed", "did not answer its step for 1 s", 0.0},
             {"spinner", "failed", "did not answer its step for 1 s", 0.128},
             {"halfframe", "failed", "did not answer its step for 1 s", 0.128},
             {"corrupt", "failed", "the lane's ring counters are corrupt", 0.128},
         }) {
        SCOPED_TRACE(c.robot);
        EXPECT_EQ(s["exits"][c.robot]["how"], c.how);
        EXPECT_DOUBLE_EQ(s["exits"][c.robot]["time"].get<double>(), c.time);
        EXPECT_NE(arena_lines(lines, c.robot).find(c.says), std::string::npos) << arena_lines(lines, c.robot);
    }
    // The escaper behaved but for its grandchild; the well-behaved robot ran
    // to the end: wakes at 0 to 1.472 s.
    EXPECT_EQ(s["exits"]["escaper"]["how"], "stopped");
    EXPECT_EQ(s["exits"]["stepper"]["how"], "stopped");
    EXPECT_EQ(s["steps"]["stepper"], 24);

    std::vector<int> left;
    for (auto [robot, what] : {std::pair{"forker", "child"},
                               {"escaper", "grandchild"},
                               {"forker", "pid"},
                               {"spinner", "pid"},
                               {"halfframe", "pid"},
                               {"silent", "pid"}}) {
        for (int pid : pids_of(lines, robot, what)) left.push_back(pid);
    }
    EXPECT_EQ(left.size(), 6u) << "every process said its pid";
    for (int pid : left) EXPECT_FALSE(process_alive(pid)) << pid;
}

// Started in the background, so the test can interrupt it.
struct Background {
    pid_t pid = -1;
    std::filesystem::path err;
};

// `as` runs the arena through another program first (e.g. setpriv).
Background start_arena(const std::vector<std::string>& args, const std::filesystem::path& io,
                       std::vector<std::string> as = {}) {
    Background b;
    b.err = io / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, b.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> words = std::move(as);
    words.push_back(ARENA_BIN);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&b.pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return b;
}

// The exit status, or -1 if it has not ended within `limit`.
int wait_for(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

// After the run, controllers get 2 s to end, renewed while others go on
// ending: a hundred ending at once on two cores are slow, not stuck.
TEST(Supervision, ControllersStillEndingAfterTheRunAreWaitedForWhileOthersEnd) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("lingering").string(), "--record", rec.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    const nlohmann::json s = read_summary(rec);
    EXPECT_EQ(s["exits"]["linger1500"]["how"], "stopped");
    EXPECT_EQ(s["exits"]["linger3000"]["how"], "stopped") << "killed 2 s after the run though another had just ended";
    EXPECT_EQ(s["exits"]["linger60000"]["how"], "failed");
    EXPECT_NE(arena_lines(read_console(rec), "linger60000").find("was killed, not having ended when told to stop"),
              std::string::npos);
}

TEST(Supervision, CtrlCEndsARunWhoseControllerStoppedWithAnImageUnread) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    Background arena = start_arena(
        {"run", test_world("stopped_camera").string(), "--record", rec.string(), "--step-timeout", "60"}, tmp.path());
    // The stopper stops itself in its 3rd step; wait until it has.
    bool stopped = false;
    for (int i = 0; i < 500 && !stopped; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (int pid : pids_of(read_console(rec), "stopper", "pid")) {
            stopped = read_file("/proc/" + std::to_string(pid) + "/stat").find(") T ") != std::string::npos;
        }
        if (!stopped && std::filesystem::exists(rec / "console.log")) {
            // The console is written as the run goes: the pid is there early.
        }
    }
    ASSERT_TRUE(stopped) << read_file(arena.err);
    const auto sent = std::chrono::steady_clock::now();
    kill(arena.pid, SIGINT);
    // Well within a second as measured by hand; the test only guards against
    // a hang.
    const int status = wait_for(arena.pid, std::chrono::seconds(10));
    const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    if (status < 0) kill(arena.pid, SIGKILL), waitpid(arena.pid, nullptr, 0);
    ASSERT_EQ(status, 130) << read_file(arena.err);
    RecordProperty("seconds_to_end_after_sigint", std::to_string(took));
    const nlohmann::json s = read_summary(rec);
    EXPECT_TRUE(s["interrupted"].get<bool>());
    EXPECT_EQ(s["exits"]["stepper"]["how"], "stopped");
}

TEST(Supervision, AControllerThatCannotBeExecutedIsABadWorld) {
    for (const char* program : {"not_a_program", "bad_interpreter"}) {
        SCOPED_TRACE(program);
        TempDir tmp;
        const auto world = tmp.path() / "world";
        std::filesystem::copy(test_world("bad_exec"), world);
        std::string toml = read_file(world / "world.toml");
        toml.replace(toml.find("not_a_program"), std::string("not_a_program").size(), program);
        std::ofstream(world / "world.toml") << toml;
        ArenaResult r = run_arena({"run", world.string(), "--no-record"});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("world.toml:6: robot \"robot\": cannot run"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace worlds_test

namespace worlds_test {
namespace {

// Where the kernel refuses a PID namespace (a user without the privilege),
// the controllers still run, in process groups of their own, and the arena
// says so once.
TEST(Supervision, WithoutPrivilegeControllersRunInGroupsAndTheArenaSaysSo) {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs root and setpriv";
    TempDir tmp;
    std::filesystem::permissions(tmp.path(), std::filesystem::perms::all);
    Background arena = start_arena({"run", test_world("misbehaving").string(), "--no-record"}, tmp.path(),
                                   {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    const int status = wait_for(arena.pid, std::chrono::seconds(60));
    const std::string err = read_file(arena.err);
    EXPECT_EQ(status, 1) << err;  // the crasher and the quitter fail as ever
    EXPECT_NE(err.find("controllers run without a PID namespace of their own"), std::string::npos) << err;
    EXPECT_NE(err.find("killed by SIGSEGV at t = 0.256 s"), std::string::npos) << err;
}

}  // namespace
}  // namespace worlds_test
