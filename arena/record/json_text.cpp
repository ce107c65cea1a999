#include "arena/record/json_text.h"

#include <stdexcept>

namespace arena {

std::size_t utf8_sequence_at(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const auto cont = [&](std::size_t k) { return i + k < s.size() && (b(k) & 0xc0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) return cont(1) ? 2 : 0;
    if (c >= 0xe0 && c <= 0xef) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xe0 && b(1) < 0xa0) return 0;   // overlong
        if (c == 0xed && b(1) >= 0xa0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xf0 && c <= 0xf4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xf0 && b(1) < 0x90) return 0;   // overlong
        if (c == 0xf4 && b(1) >= 0x90) return 0;  // past U+10FFFF
        return 4;
    }
    return 0;
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * bytes.size());
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool valid_utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_sequence_at(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

nlohmann::json json_text(std::string_view text) {
    if (valid_utf8(text)) return std::string(text);
    return {{"hex", hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})}};
}

std::string text_of(const nlohmann::json& j) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("hex") || !j["hex"].is_string()) {
        throw std::runtime_error("text must be a string or {\"hex\":\"...\"}");
    }
    const std::string& h = j["hex"].get_ref<const std::string&>();
    if (h.size() % 2 != 0) throw std::runtime_error("hex text of odd length");
    std::string out;
    for (std::size_t i = 0; i < h.size(); i += 2) {
        const int hi = hex_digit(h[i]), lo = hex_digit(h[i + 1]);
        if (hi < 0 || lo < 0) throw std::runtime_error("hex text holds a character that is not a hex digit");
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

}  // namespace arena
