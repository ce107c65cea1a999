// Fields of poses.csv as RFC 4180 writes them: a field holding a comma, a
// double quote, CR or LF is quoted, with each quote doubled ("a,b",
// "say ""hi"""); any other field is written as it is. A quoted field may
// span lines, so a record ends at the first LF outside quotes.
#ifndef ARENA_RECORD_CSV_TEXT_H
#define ARENA_RECORD_CSV_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace arena {

std::string csv_field(std::string_view text);

// Where the record at the start of text ends: the index of its closing LF,
// or npos when text holds no whole record.
std::size_t csv_record_end(std::string_view text);

// The fields of one record (without its LF); throws std::runtime_error when
// it is not RFC 4180 (a quote inside an unquoted field, text after a
// closing quote, an unclosed quote).
std::vector<std::string> csv_fields(std::string_view record);

}  // namespace arena

#endif
