// A bad number or a key of another device type in world.toml stops `arena
// check` with one line naming the file, line and key, before anything runs.
#include <gtest/gtest.h>

#include <fstream>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(BadNumbers, CheckNamesFileLineAndKey) {
    const std::string stepper = "[[robot]]\nname = \"stepper\"\nbody = \"stepper\"\ncontroller = \"pose_stepper\"\n";
    struct Case {
        std::string toml, message;
    };
    for (const Case& c : {
             Case{"duration = nan\n" + stepper,
                  ":1: \"duration\" must be a number above 0 and at most 1000000, not nan"},
             Case{stepper + "[[robot.device]]\nname = \"gps\"\ntype = \"gps\"\nlookup = [[0.0, 1.0]]\n",
                  ":8: robot \"stepper\": device \"gps\": a gps has no key \"lookup\" (its keys: name, type, site)"},
         }) {
        TempDir w;
        std::filesystem::copy(world("diagonal") / "scene.xml", w.path() / "scene.xml");
        std::ofstream(w.path() / "world.toml") << c.toml;
        ArenaResult r = run_arena({"check", w.path().string()});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "arena: " + (w.path() / "world.toml").string() + c.message + "\n");
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

}  // namespace
}  // namespace worlds_test
