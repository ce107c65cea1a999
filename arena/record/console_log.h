// console.log: one line per console or standard-output line of a run,
// TIME<TAB>ROBOT<TAB>STREAM<TAB>TEXT, flushed line by line so that nothing
// is lost when the run ends badly.
#ifndef ARENA_RECORD_CONSOLE_LOG_H
#define ARENA_RECORD_CONSOLE_LOG_H

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace arena {

// Backslash as \\, tab as \t, other control bytes (and DEL) as \xNN, so a
// line of text stays one line and one field.
std::string escape_text(std::string_view text);

class ConsoleLog {
public:
    explicit ConsoleLog(const std::filesystem::path& file);
    // stream: "console", "stdout", "stderr" or "arena".
    void write(double time, const std::string& robot, const char* stream, std::string_view text);

private:
    std::ofstream out_;
};

}  // namespace arena

#endif
