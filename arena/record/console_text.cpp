#include "arena/record/console_text.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "arena/record/json_text.h"

namespace arena {
namespace {

void hex_escape(std::string& out, unsigned char c) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    out += hex;
}

}  // namespace

std::string escape_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t n = utf8_sequence_at(text, i);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (n == 0 || c < 0x20 || c == 0x7f) {
            hex_escape(out, c);
        } else {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        ++i;
    }
    return out;
}

std::string unescape_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
        if (kind == '\\' || kind == 't') {
            out += kind == 't' ? '\t' : '\\';
            ++i;
            continue;
        }
        unsigned value = 0;
        const char* digits = text.data() + i + 2;
        if (kind != 'x' || i + 4 > text.size() || std::from_chars(digits, digits + 2, value, 16).ptr != digits + 2) {
            throw std::runtime_error("a backslash that starts no \\\\, \\t or \\xNN escape");
        }
        out += static_cast<char>(value);
        i += 3;
    }
    return out;
}

}  // namespace arena
