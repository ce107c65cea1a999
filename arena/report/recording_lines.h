// Reading a recording's files, which may come from anywhere: a run cut off
// (killed, out of disk) or a hostile folder. Every file must be a regular
// file of at most kMaxFileBytes, every line at most kMaxLineBytes and every
// JSON text nested at most kMaxJsonDepth deep; anything else is a
// RecordingError naming the file (and line). A run that was cut off can
// leave its last line half written: that line is dropped with a note, while
// a bad line anywhere else is an error naming the line.
#ifndef ARENA_REPORT_RECORDING_LINES_H
#define ARENA_REPORT_RECORDING_LINES_H

#include <cstddef>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena {

struct RecordingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Far beyond any run's recording (a 2-hour run of the gate course writes
// under 100 MiB), small enough that reading cannot exhaust the machine.
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;   // 1 GiB
constexpr std::size_t kMaxLineBytes = std::size_t(16) << 20;  // 16 MiB: a whole camera frame in hex fits
constexpr int kMaxJsonDepth = 64;

// Where the record at the start of text ends (its closing '\n'), or npos.
using RecordEnd = std::size_t (*)(std::string_view text);
std::size_t line_end(std::string_view text);

// Calls parse(record) for every record in order; parse throws
// RecordingError (or any std::exception) for a record it cannot read.
// Appends to notes when a cut-off last record was left out.
void for_each_line(const std::filesystem::path& file, const std::function<void(std::string_view)>& parse,
                   std::vector<std::string>& notes, RecordEnd end = line_end);

// The whole file; refuses anything but a regular file of at most
// kMaxFileBytes, without blocking on a FIFO or reading a device.
std::string read_file(const std::filesystem::path& file);

// Parses one JSON text after checking its nesting, so that a deep one
// cannot overflow the stack of the parser, the page's writer or a walk.
nlohmann::json parse_json(std::string_view text);

// True when p names anything, a dangling symlink included.
bool present(const std::filesystem::path& p);

}  // namespace arena

#endif
