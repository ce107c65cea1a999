// What a newcomer reads: the gate course's default command on a real
// terminal (a tmux pane), and the example world of docs/worlds.md.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "recording.h"

namespace worlds_test {
namespace {

using namespace std::chrono_literals;

std::string pane_history(const std::string& session) {
    std::string out;
    if (FILE* p = popen(("tmux capture-pane -p -J -S - -E - -t " + session).c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The non-empty lines the run left on the screen, up to the end marker.
std::vector<std::string> screen_lines(const std::string& history, const std::string& end) {
    std::vector<std::string> lines;
    std::istringstream in(history.substr(0, history.find(end)));
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
    }
    return lines;
}

TEST(Terminal, GateCourseIsShortAndEndsWithTheReport) {
    TempDir cwd;
    const std::string session = "arena-terminal-" + std::to_string(getpid()), end = "--arena-ended--";
    const std::string command =
        std::string(ARENA_BIN) + " run " + world("gate_course").string() + "; echo " + end + "; sleep 600";
    ASSERT_EQ(std::system(("tmux new-session -d -s " + session + " -x 220 -y 50 -c " + cwd.path().string() + " '" +
                           command + "'")
                              .c_str()),
              0);
    std::string history;
    for (int i = 0; i < 1200 && history.find(end + "\n") == std::string::npos; ++i) {
        std::this_thread::sleep_for(100ms);
        history = pane_history(session);
    }
    std::system(("tmux kill-session -t " + session).c_str());

    const std::vector<std::string> lines = screen_lines(history, end + "\n");
    ASSERT_FALSE(lines.empty()) << history;
    EXPECT_LE(lines.size(), 40u) << history;
    const std::string prefix = "arena: report: ";
    ASSERT_TRUE(lines.back().starts_with(prefix)) << history;
    const std::filesystem::path report = lines.back().substr(prefix.size());
    EXPECT_TRUE(report.is_absolute()) << report;
    EXPECT_TRUE(std::filesystem::exists(report)) << report;

    // The screen counts the repeats; the recording keeps each of them, and
    // the empty lines too.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(history, m, std::regex(R"(\[airship\] Docking COMPLETADO \(x(\d+)\))"))) << history;
    const auto console = read_console(report.parent_path());
    const std::vector<std::string> said = texts(console, "airship", "console");
    EXPECT_EQ(std::count(said.begin(), said.end(), "Docking COMPLETADO"), std::stol(m[1]));
    EXPECT_GT(std::count(said.begin(), said.end(), ""), 100);
}

TEST(Terminal, QuietShowsOnlyTheArenasLines) {
    TempDir tmp;
    ArenaResult r = run_arena({"run", (world("gate_course") / "world.toml").string(), "--quiet", "--duration", "8",
                               "--record", (tmp.path() / "rec").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("arena: report: " + (tmp.path() / "rec" / "report.html").string()), std::string::npos)
        << r.err;
    EXPECT_FALSE(texts(read_console(tmp.path() / "rec"), "airship", "console").empty());
}

// The page's example world, cut out of the page, loads and runs.
TEST(Terminal, TheReferencePagesExampleRuns) {
    const std::string page = read_file(DOCS_DIR "/worlds.md");
    auto block = [&](const std::string& fence) {
        const std::size_t from = page.find("```" + fence + "\n");
        EXPECT_NE(from, std::string::npos) << fence;
        const std::size_t start = from + fence.size() + 4;
        return page.substr(start, page.find("```", start) - start);
    };
    TempDir w;
    std::ofstream(w.path() / "world.toml") << block("toml");
    std::ofstream(w.path() / "scene.xml") << block("xml");
    ArenaResult r = run_arena({"run", w.path().string(), "--duration", "10", "--no-record"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(Terminal, VersionAndEachCommandsExitStatuses) {
    ArenaResult v = run_arena({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(v.out.starts_with("arena ")) << v.out;
    // Each its own, once: a command without a footer of its own would show the arena's.
    for (const char* command : {"run", "check", "report", "sweep"}) {
        ArenaResult help = run_arena({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        const std::size_t first = help.out.find("Exit status: 0");
        EXPECT_NE(first, std::string::npos) << command << help.out;
        EXPECT_EQ(help.out.find("Exit status:", first + 1), std::string::npos) << command << help.out;
    }
}

}  // namespace
}  // namespace worlds_test
