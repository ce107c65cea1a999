// Text that a controller or a scene chose goes into the recording's JSON
// whole, byte for byte: valid UTF-8 as a JSON string, anything else as
// {"hex":"..."} (every byte, two lower-case hex digits each). JSON strings
// cannot hold bytes that are not UTF-8, and replacing them would lose what
// the program printed.
#ifndef ARENA_RECORD_JSON_TEXT_H
#define ARENA_RECORD_JSON_TEXT_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace arena {

// Length of the UTF-8 sequence at text[i], or 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t utf8_sequence_at(std::string_view text, std::size_t i);
bool valid_utf8(std::string_view text);
// Every byte as two lower-case hex digits: packets, and texts that are not UTF-8.
std::string hex(std::span<const std::uint8_t> bytes);
nlohmann::json json_text(std::string_view text);
// The bytes back from either form; throws std::runtime_error on anything else.
std::string text_of(const nlohmann::json& j);

}  // namespace arena

#endif
