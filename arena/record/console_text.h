// A console line's text as console.log keeps it: one line, one field, valid
// UTF-8, and every byte the program printed recoverable. Backslash is
// written \\, tab \t, and \xNN (two lower-case hex digits) stands for every
// control byte (below 0x20, and 0x7f) and every byte that is not part of a
// valid UTF-8 sequence. Valid UTF-8 passes as it is.
#ifndef ARENA_RECORD_CONSOLE_TEXT_H
#define ARENA_RECORD_CONSOLE_TEXT_H

#include <string>
#include <string_view>

namespace arena {

std::string escape_text(std::string_view text);

// The bytes back; throws std::runtime_error on an escape escape_text never
// writes (a lone backslash, \q, \x4).
std::string unescape_text(std::string_view text);

}  // namespace arena

#endif
