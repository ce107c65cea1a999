// Reading a recording's line-based files. A run that was cut off (killed,
// out of disk) can leave its last line half written: that line is dropped
// with a note, while a bad line anywhere else is an error naming the line.
#ifndef ARENA_REPORT_RECORDING_LINES_H
#define ARENA_REPORT_RECORDING_LINES_H

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace arena {

struct RecordingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Calls parse(line) for every line in order; parse throws
// RecordingError (or any std::exception) for a line it cannot read.
// Appends to notes when a cut-off last line was left out.
void for_each_line(const std::filesystem::path& file,
                   const std::function<void(std::string_view)>& parse, std::vector<std::string>& notes);

std::string read_file(const std::filesystem::path& file);

}  // namespace arena

#endif
