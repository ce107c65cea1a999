// A small recording written to a fresh folder: an airship that moves, a
// gate that does not, a listener that hears packets, a beacon sending them, a console with
// escapes. Tests change its files to make the case they need.
#ifndef ARENA_REPORT_TESTS_RECORDING_FIXTURE_H
#define ARENA_REPORT_TESTS_RECORDING_FIXTURE_H

#include <filesystem>
#include <string>

namespace arena::testing {

class RecordingFixture {
public:
    explicit RecordingFixture(int steps = 20);
    ~RecordingFixture();
    RecordingFixture(const RecordingFixture&) = delete;
    RecordingFixture& operator=(const RecordingFixture&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    void write(const std::string& relative, const std::string& text) const;
    void append(const std::string& relative, const std::string& text) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path dir_;
};

}  // namespace arena::testing

#endif
