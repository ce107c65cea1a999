// The run report: DIR/report.html, one self-contained page (viewer script,
// style and the recording's data inside) that opens from disk with no
// network. Long runs are thinned for the page; the recording is only read.
#ifndef ARENA_REPORT_WRITE_REPORT_H
#define ARENA_REPORT_WRITE_REPORT_H

#include <cstddef>
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

namespace arena {

// Enough for a 120 s run recorded every 32 ms to be shown whole.
struct ReportLimits {
    std::size_t frames = 4000;  // poses per body
    std::size_t steps = 4000;   // trace steps per robot
    std::size_t console_lines = 20000;
};

// Reads the recording in dir; throws RecordingError (see recording_lines.h)
// when it is missing or unreadable. Returns the path of the page written.
std::filesystem::path write_report(const std::filesystem::path& dir, const ReportLimits& limits = {});

// The two halves of write_report, apart for the tests.
nlohmann::json report_data(const std::filesystem::path& dir, const ReportLimits& limits);
std::string report_html(const nlohmann::json& data);

}  // namespace arena

#endif
