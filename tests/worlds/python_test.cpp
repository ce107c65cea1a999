// A controller in Python, over arena_controller: its console is that of its
// C++ twin, its print()s keep their steps, and an exception in run fails it
// with the traceback recorded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "recording.h"

namespace worlds_test {
namespace {

// ir_link with the listener's controller replaced by the Python twin,
// handed `args`.
std::filesystem::path python_world(const TempDir& tmp, const std::string& args) {
    const auto folder = tmp.path() / "world";
    std::filesystem::copy(world("ir_link"), folder);
    std::filesystem::copy(test_world("python") / "listener.py", folder / "listener.py");
    std::string toml = read_file(folder / "world.toml");
    const std::string cpp = "controller = \"ir_listener\"";
    toml.replace(toml.find(cpp), cpp.size(), "controller = \"./listener.py\"\nargs = " + args);
    std::ofstream(folder / "world.toml") << toml;
    setenv("PYTHONPATH", ARENA_PYTHONPATH, 1);
    return folder;
}

std::vector<std::pair<double, std::string>> listener_console(const std::filesystem::path& rec) {
    std::vector<std::pair<double, std::string>> out;
    for (const ConsoleLine& l : read_console(rec))
        if (l.robot == "listener" && l.stream == "console") out.emplace_back(l.time, l.text);
    return out;
}

TEST(Python, TheTwinHearsWhatTheCppListenerHears) {
    TempDir tmp;
    const auto cpp = tmp.path() / "cpp", python = tmp.path() / "python";
    ASSERT_EQ(run_arena({"run", world("ir_link").string(), "--record", cpp.string(), "--no-report"}).status, 0);
    ArenaResult r = run_arena({"run", python_world(tmp, "[]").string(), "--record", python.string(), "--no-report"});
    ASSERT_EQ(r.status, 0) << r.err;

    const auto heard = listener_console(python);
    EXPECT_GT(heard.size(), 10u);  // its two reset lines and a packet about every second
    EXPECT_EQ(heard, listener_console(cpp));
    // print() line k belongs to step k, which runs on the samples of (k - 1) x 64 ms.
    int k = 0;
    for (const ConsoleLine& l : read_console(python)) {
        if (l.robot != "listener" || l.stream != "stdout") continue;
        ++k;
        EXPECT_EQ(l.text, "step " + std::to_string(k));
        EXPECT_NEAR(l.time, (k - 1) * 0.064, 1e-9) << l.text;
    }
    EXPECT_EQ(k, read_summary(python)["steps"]["listener"].get<int>());
}

TEST(Python, AnExceptionInRunFailsTheControllerWithItsTraceback) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena(
        {"run", python_world(tmp, "[\"--fail-at\", \"20\"]").string(), "--record", rec.string(), "--no-report"});
    EXPECT_EQ(r.status, 1) << r.err;
    const nlohmann::json exit = read_summary(rec)["exits"]["listener"];
    EXPECT_EQ(exit["how"], "exited");
    EXPECT_EQ(exit["status"], 1);
    const auto err = texts(read_console(rec), "listener", "stderr");
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.front(), "Traceback (most recent call last):");
    EXPECT_EQ(err.back(), "RuntimeError: failing in step 20 on purpose");
}

}  // namespace
}  // namespace worlds_test
