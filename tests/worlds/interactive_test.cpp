// Flying from the terminal: arena runs in a real terminal (a tmux pane),
// the test types on it as a pilot would, reads the status line off the
// screen, and then checks the recording for what the keys did.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "recording.h"

namespace worlds_test {
namespace {

using namespace std::chrono_literals;

std::string capture(const std::string& session) {
    std::string out;
    if (FILE* p = popen(("tmux capture-pane -p -t " + session).c_str(), "r")) {
        char buf[512];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

void tmux(const std::string& args) { ASSERT_EQ(std::system(("tmux " + args).c_str()), 0) << args; }

TEST(Interactive, PilotFliesTheAirshipFromTheTerminalAndSeesItsState) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    const std::string session = "arena-test-" + std::to_string(getpid());
    const std::string command = std::string(ARENA_BIN) + " run " + world("gate_course").string() +
                                " --interactive --duration 6 --record " + rec.string() + "; sleep 60";
    tmux("new-session -d -s " + session + " -x 160 -y 10 '" + command + "'");

    std::this_thread::sleep_for(1s);
    tmux("send-keys -t " + session + " P");  // autopilot off, once
    std::string screen;
    for (int i = 0; i < 40; ++i) {  // about two seconds of a held up arrow
        tmux("send-keys -t " + session + " Up");
        std::this_thread::sleep_for(50ms);
        if (screen.find("keys: up") == std::string::npos) screen = capture(session);
    }
    tmux("send-keys -t " + session + " A");  // up: not a `once` key of the world, so held a moment
    for (int i = 0; i < 100 && !std::filesystem::exists(rec / "report.html"); ++i) std::this_thread::sleep_for(100ms);
    tmux("kill-session -t " + session);

    EXPECT_NE(screen.find("airship x "), std::string::npos) << screen;
    EXPECT_NE(screen.find(" heading "), std::string::npos) << screen;
    EXPECT_NE(screen.find("keys: up"), std::string::npos) << screen;

    int p_steps = 0, up_steps = 0, a_steps = 0;
    for (const nlohmann::json& step : read_trace(rec, "airship")) {
        if (!step["samples"].contains("keys")) continue;
        for (int code : step["samples"]["keys"]) {
            p_steps += code == 80;
            up_steps += code == 317;
            a_steps += code == 65;
        }
    }
    EXPECT_EQ(p_steps, 1) << "P is a once key of the gate course: one press reaches one pass";
    EXPECT_GT(up_steps, 20) << "a held arrow stays held";
    EXPECT_GT(a_steps, 3) << "a key the world does not list as once counts as held after its press";
    EXPECT_EQ(read_summary(rec)["exits"]["airship"]["how"], "stopped");
}

}  // namespace
}  // namespace worlds_test
