// console.log as the viewer shows it: [[time, robot, stream, text], ...] in
// file order, at most max_lines (the rest stays in console.log, counted),
// each text read back to its bytes and shown as shown_text.h says.
#ifndef ARENA_REPORT_CONSOLE_VIEW_H
#define ARENA_REPORT_CONSOLE_VIEW_H

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena {

struct ConsoleView {
    nlohmann::json lines = nlohmann::json::array();
    std::size_t omitted = 0;
};

ConsoleView console_view(const std::filesystem::path& file, std::size_t max_lines, std::vector<std::string>& notes);

}  // namespace arena

#endif
