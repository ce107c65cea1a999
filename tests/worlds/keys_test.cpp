// Scripted keys reach the controller: the world's [[keys]] and a --keys
// file, held from `from` up to (not including) `to`, in the samples of the
// steps that wake then.
#include <gtest/gtest.h>

#include <fstream>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(Keys, WorldAndFileKeysAreHandedWhileHeld) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    std::ofstream(tmp.path() / "keys.toml") << "[[keys]]\nrobot = \"pilot\"\nfrom = 0.25\nto = 0.4\ncodes = [65, 80]\n";
    ArenaResult r = run_arena(
        {"run", test_world("keys").string(), "--keys", (tmp.path() / "keys.toml").string(), "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    auto trace = read_trace(rec, "pilot");
    ASSERT_EQ(trace.size(), 16u);  // 32 ms steps over 0.5 s; none falls on a boundary
    for (const auto& step : trace) {
        double t = step["t"];
        // The world's hold comes first, then the file's; a code held twice
        // is handed once.
        std::vector<int> expected;
        if (t > 0.2 && t < 0.25) expected = {80};
        if (t > 0.25 && t < 0.3) expected = {80, 65};
        if (t > 0.3 && t < 0.4) expected = {65, 80};
        std::vector<int> got = step["samples"].value("keys", std::vector<int>{});
        EXPECT_EQ(got, expected) << "t = " << t;
    }
}

}  // namespace
}  // namespace worlds_test
