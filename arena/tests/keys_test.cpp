// Which keys a robot holds: scripted holds by simulated time, and terminal
// bytes turned into key codes.
#include <gtest/gtest.h>

#include "arena/run/key_decoder.h"
#include "arena/run/key_schedule.h"
#include "arena/world/manifest.h"
#include "arena/world/world_error.h"
#include "temp_world.h"

namespace arena {
namespace {

TEST(KeySchedule, HoldsFromInclusiveToExclusivePerRobotEachCodeOnce) {
    KeySchedule keys;
    keys.add({{"airship", 1.0, 2.0, {80}}, {"airship", 1.5, 3.0, {317, 80}}, {"other", 0.0, 9.0, {65}}});
    EXPECT_TRUE(keys.held("airship", 0.999).empty());
    EXPECT_EQ(keys.held("airship", 1.0), (std::vector<int>{80}));
    EXPECT_EQ(keys.held("airship", 1.5), (std::vector<int>{80, 317}));
    EXPECT_EQ(keys.held("airship", 2.0), (std::vector<int>{317, 80}));
    EXPECT_TRUE(keys.held("airship", 3.0).empty());
    EXPECT_EQ(keys.held("other", 5.0), (std::vector<int>{65}));
}

TEST(KeySchedule, KeysFileAddsToTheWorldsAndChecksRobots) {
    testing::TempWorld w;
    w.program("ctl");
    w.write("world.toml", "[[robot]]\nname = \"a\"\nbody = \"box\"\ncontroller = \"ctl\"\n");
    Manifest m = read_manifest(w.folder() / "world.toml");
    w.write("keys.toml", "[[keys]]\nrobot = \"a\"\nfrom = 0.5\nto = 1\ncodes = [90, 65]\n");
    auto holds = read_keys_file(w.folder() / "keys.toml", m);
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_EQ(holds[0].codes, (std::vector<int>{90, 65}));
    EXPECT_DOUBLE_EQ(holds[0].to, 1.0);
    w.write("bad.toml", "[[keys]]\nrobot = \"b\"\ncodes = [90]\n");
    EXPECT_THROW(read_keys_file(w.folder() / "bad.toml", m), WorldError);
    w.write("backwards.toml", "[[keys]]\nrobot = \"a\"\nfrom = 2.0\nto = 1.0\ncodes = [90]\n");
    EXPECT_THROW(read_keys_file(w.folder() / "backwards.toml", m), WorldError);
}

TEST(KeyDecoder, ArrowsLettersAndSplitSequences) {
    KeyDecoder d;
    EXPECT_EQ(d.decode("\x1b[D\x1b[A\x1b[C\x1b[B"), (std::vector<int>{316, 317, 318, 319}));
    EXPECT_EQ(d.decode("pz A"), (std::vector<int>{80, 90, 32, 65}));
    EXPECT_TRUE(d.decode("\x1b[").empty());  // the rest comes in the next read
    EXPECT_EQ(d.decode("A"), (std::vector<int>{317}));
    EXPECT_EQ(d.decode("\x1bxq\x01"), (std::vector<int>{88, 81}));  // unknown escape and control bytes
}

}  // namespace
}  // namespace arena

namespace arena {
namespace {

// What a robot stepping every 32 ms is sent, step by step, as keys go down
// and up between its steps: events[i] happen just before step i.
struct LiveCase {
    const char* what;
    std::vector<std::vector<std::pair<int, bool>>> events;  // code, down
    std::vector<std::vector<int>> sent;
};

void PrintTo(const LiveCase& c, std::ostream* os) { *os << c.what; }

class LiveKeys : public ::testing::TestWithParam<LiveCase> {};

TEST_P(LiveKeys, EachStepHearsWhatTheRuleSays) {
    KeySchedule keys;
    keys.set_once({80});
    const LiveCase& c = GetParam();
    for (std::size_t i = 0; i < c.sent.size(); ++i) {
        if (i < c.events.size()) {
            for (auto [code, down] : c.events[i]) {
                if (down) keys.press("airship", code);
                else keys.release("airship", code);
            }
        }
        EXPECT_EQ(keys.take("airship", 0.032 * double(i)), c.sent[i]) << c.what << ", step " << i;
        EXPECT_TRUE(keys.take("other", 0.032 * double(i)).empty()) << "keys go to their robot only";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rule, LiveKeys,
    ::testing::Values(
        LiveCase{"a held key is sent in every step until it goes up",
                 {{{317, true}}, {}, {}, {{317, false}}},
                 {{317}, {317}, {317}, {}, {}}},
        LiveCase{"a tap between two steps reaches exactly one", {{}, {{317, true}, {317, false}}}, {{}, {317}, {}}},
        LiveCase{
            "a once key held for several steps counts once", {{{80, true}}, {}, {}, {{80, false}}}, {{80}, {}, {}, {}}},
        LiveCase{"a once key pressed again counts again", {{{80, true}}, {{80, false}, {80, true}}}, {{80}, {80}}},
        LiveCase{"a repeat of a key already down is no new press",
                 {{{80, true}}, {{80, true}}, {{80, true}}},
                 {{80}, {}, {}}},
        LiveCase{"keys of one step together",
                 {{{317, true}, {318, true}, {80, true}}, {{318, false}}},
                 {{317, 318, 80}, {317}}}));

TEST(KeySchedule, AScriptedOnceKeyCountsOncePerHoldAndReleaseAllLetsGo) {
    KeySchedule keys;
    keys.set_once({80});
    keys.add({{"airship", 1.0, 2.0, {80, 317}}});
    EXPECT_EQ(keys.take("airship", 1.0), (std::vector<int>{80, 317}));
    EXPECT_EQ(keys.take("airship", 1.032), (std::vector<int>{317}));
    keys.press("airship", 65);
    EXPECT_EQ(keys.take("airship", 3.0), (std::vector<int>{65}));
    keys.release_all();
    EXPECT_TRUE(keys.take("airship", 3.032).empty());
}

}  // namespace
}  // namespace arena
