// Numbers on the command line are checked before anything starts: a NaN, an
// infinity, a sign where none belongs or a value out of range is bad usage,
// named by its option, and no recording is made.
#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(CommandLine, BadNumbersAreRefusedByName) {
    struct Case {
        std::vector<std::string> option;
        const char* says;
    };
    for (const Case& c : std::vector<Case>{
             {{"--duration", "nan"}, "--duration: must be a number above 0"},
             {{"--duration", "1e300"}, "--duration: must be a number above 0"},
             {{"--duration", "-inf"}, "--duration: must be a number above 0"},
             {{"--seed", "-1"}, "--seed: must be a whole number from 0"},
             {{"--seed", "99999999999999999999"}, "--seed: must be a whole number from 0"},
             {{"--step-timeout", "nan"}, "--step-timeout: must be a number from 0"},
             {{"--step-timeout", "-1"}, "--step-timeout: must be a number from 0"},
         }) {
        SCOPED_TRACE(c.option[0] + " " + c.option[1]);
        TempDir tmp;
        std::vector<std::string> args{"run", world("diagonal").string(), "--record", (tmp.path() / "rec").string()};
        args.insert(args.end(), c.option.begin(), c.option.end());
        ArenaResult r = run_arena(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(tmp.path() / "rec"));
    }
}

}  // namespace
}  // namespace worlds_test
