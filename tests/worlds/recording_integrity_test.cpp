// The recording is never lost quietly: a full disk stops the run with its
// own status and one line, and leaves only whole lines and a summary that is
// whole or absent; a folder that holds a recording is not written over
// unless asked.
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "recording.h"

namespace worlds_test {
namespace {

// A tmpfs of `bytes`, unmounted at the end; skips the test where mounting is
// refused (not root, or no tmpfs).
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes) {
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = mount("tmpfs", tmp_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) umount2(tmp_.path().c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return tmp_.path(); }

private:
    TempDir tmp_;
    bool mounted_ = false;
};

TEST(RecordingIntegrity, AFullDiskStopsTheRunWithItsOwnStatusAndLeavesWholeLines) {
    SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    const auto rec = disk.path() / "rec";
    ArenaResult r = run_arena({"run", world("gate_course").string(), "--record", rec.string(), "--duration", "30"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("the recording could not be written"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    for (const char* file : {"console.log", "poses.csv", "traces/airship.jsonl"}) {
        const std::string text = read_file(rec / file);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << file << " ends in a cut line";
    }
    // Whole or absent, never cut.
    if (std::filesystem::exists(rec / "summary.json")) {
        EXPECT_NO_THROW(read_summary(rec));
    }
}

TEST(RecordingIntegrity, AFolderHoldingARecordingIsRefusedUnlessOverwriteIsGiven) {
    TempDir tmp;
    const auto rec = tmp.path() / "rec";
    const std::vector<std::string> run = {"run", world("diagonal").string(), "--record", rec.string(), "--no-report"};
    ASSERT_EQ(run_arena(run).status, 0);
    const std::string first = read_file(rec / "summary.json");
    ArenaResult again = run_arena(run);
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("--overwrite"), std::string::npos) << again.err;
    EXPECT_EQ(read_file(rec / "summary.json"), first);
    std::vector<std::string> overwrite = run;
    overwrite.push_back("--overwrite");
    EXPECT_EQ(run_arena(overwrite).status, 0);
}

}  // namespace
}  // namespace worlds_test
