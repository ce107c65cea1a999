// Text that is not UTF-8 (a Latin-1 "été" over the infrared link, on the
// console and on standard output) reaches the recording whole and reads
// back byte for byte; the run ends cleanly and its report is written.
#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

TEST(Latin1, BytesThatAreNotUtf8ReachTheRecordingWhole) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    ArenaResult r = run_arena({"run", test_world("latin1").string(), "--record", rec.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(rec / "report.html"));
    const auto lines = read_console(rec);
    const auto heard = texts(lines, "listener", "console");
    EXPECT_NE(std::find(heard.begin(), heard.end(), "received 4 bytes: \xe9t\xe9"), heard.end());
    const auto said = texts(lines, "latin1", "console");
    EXPECT_NE(std::find(said.begin(), said.end(), "caf\xe9 \xff"), said.end());
    const auto printed = texts(lines, "latin1", "stdout");
    EXPECT_NE(std::find(printed.begin(), printed.end(), "na\xefve"), printed.end());
}

}  // namespace
}  // namespace worlds_test
