// The same world and seed give the same recording, byte for byte, whatever
// order the controller processes happen to answer in (wall time aside).
#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

struct Case {
    const char* world;
    const char* duration;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.world; }

class Determinism : public ::testing::TestWithParam<Case> {};

TEST_P(Determinism, TwoRunsRecordTheSameBytes) {
    TempDir tmp;
    std::filesystem::path recs[2] = {tmp.path() / "a", tmp.path() / "b"};
    for (const auto& rec : recs) {
        ArenaResult r = run_arena({"run", world(GetParam().world).string(), "--duration", GetParam().duration, "--seed",
                                   "7", "--record", rec.string(), "--no-report"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(recs[0])) {
        if (!entry.is_regular_file()) continue;
        auto relative = std::filesystem::relative(entry.path(), recs[0]);
        SCOPED_TRACE(relative.string());
        std::string a = read_file(entry.path()), b = read_file(recs[1] / relative);
        if (relative != "console.log") {  // the avoiders print nothing
            EXPECT_FALSE(a.empty());
        }
        if (relative == "summary.json") {
            auto ja = nlohmann::json::parse(a), jb = nlohmann::json::parse(b);
            ja.erase("wall_time");
            jb.erase("wall_time");
            EXPECT_EQ(ja, jb);
            EXPECT_EQ(ja["seed"], 7);
        } else {
            EXPECT_TRUE(a == b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Worlds, Determinism, ::testing::Values(Case{"obstacle_room", "30"}, Case{"ir_link", "12"}),
                         [](const auto& info) { return std::string(info.param.world); });

}  // namespace
}  // namespace worlds_test
