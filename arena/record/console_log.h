// console.log: one line per console or standard-output line of a run,
// TIME<TAB>ROBOT<TAB>STREAM<TAB>TEXT, TEXT escaped as console_text.h says,
// written line by line so that nothing is lost when the run ends badly.
#ifndef ARENA_RECORD_CONSOLE_LOG_H
#define ARENA_RECORD_CONSOLE_LOG_H

#include <filesystem>
#include <string>
#include <string_view>

#include "arena/record/console_text.h"
#include "arena/record/record_file.h"

namespace arena {

class ConsoleLog {
public:
    explicit ConsoleLog(const std::filesystem::path& file);
    // stream: "console", "stdout", "stderr" or "arena". Throws
    // RecordWriteError when the line cannot be written.
    void write(double time, const std::string& robot, const char* stream, std::string_view text);

private:
    RecordFile out_;
};

}  // namespace arena

#endif
