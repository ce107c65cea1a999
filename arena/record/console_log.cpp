#include "arena/record/console_log.h"

#include <cstdio>

namespace arena {

ConsoleLog::ConsoleLog(const std::filesystem::path& file) : out_(file) {}

void ConsoleLog::write(double time, const std::string& robot, const char* stream, std::string_view text) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", time);
    out_.append(std::string(t) + '\t' + robot + '\t' + stream + '\t' + escape_text(text) + '\n');
}

}  // namespace arena
