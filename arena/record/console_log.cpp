#include "arena/record/console_log.h"

#include <cstdio>
#include <stdexcept>

namespace arena {

std::string escape_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

ConsoleLog::ConsoleLog(const std::filesystem::path& file) : out_(file, std::ios::binary) {
    if (!out_) throw std::runtime_error("cannot write " + file.string());
}

void ConsoleLog::write(double time, const std::string& robot, const char* stream, std::string_view text) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", time);
    out_ << t << '\t' << robot << '\t' << stream << '\t' << escape_text(text) << '\n';
    out_.flush();
}

}  // namespace arena
