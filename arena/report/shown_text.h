// Text of a recording as the page shows it. The page's data is JSON and
// must be UTF-8, but a robot may print any byte and a scene may name a body
// with any: valid UTF-8 is kept, and every control byte (but tab) and every
// byte that is not part of a UTF-8 sequence is shown as \xNN, as
// console.log writes it, so the reader sees what was there.
#ifndef ARENA_REPORT_SHOWN_TEXT_H
#define ARENA_REPORT_SHOWN_TEXT_H

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace arena {

std::string shown_text(std::string_view bytes);

// j with every text written as {"hex": "..."} (json_text.h) shown as a
// string; j nests at most kMaxJsonDepth deep (recording_lines.h).
nlohmann::json shown_json(const nlohmann::json& j);

}  // namespace arena

#endif
