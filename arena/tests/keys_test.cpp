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
