// A robot's args and env from world.toml reach its controller as written,
// beside the link the arena hands it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(ArgsEnv, TheControllerGetsItsArgumentsAndEnvironment) {
    TempDir tmp;
    auto rec = tmp.path() / "rec";
    // The world's value wins over the one the arena inherited.
    setenv("GREETING", "inherited", 1);
    ArenaResult r = run_arena({"run", test_world("args_env").string(), "--record", rec.string()});
    unsetenv("GREETING");
    // The script ends without ever speaking the link: a failed controller.
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(texts(read_console(rec), "robot", "stdout"),
              (std::vector<std::string>{"argc 3", "arg [--gain]", "arg [two words]", "arg []",
                                        "greeting [hola mundo] empty [] link [3]"}));
}

}  // namespace
}  // namespace worlds_test
