#include "arena/record/csv_text.h"

#include <algorithm>
#include <stdexcept>

namespace arena {

std::string csv_field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::size_t csv_record_end(std::string_view text) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;  // a doubled quote flips twice
        if (text[i] == '\n' && !quoted) return i;
    }
    return std::string_view::npos;
}

std::vector<std::string> csv_fields(std::string_view record) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    for (;;) {
        std::string field;
        if (i < record.size() && record[i] == '"') {
            for (++i;; ++i) {
                if (i == record.size()) throw std::runtime_error("a quoted field is not closed");
                if (record[i] == '"' && i + 1 < record.size() && record[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (record[i] == '"') {
                    ++i;
                    break;
                } else {
                    field += record[i];
                }
            }
            if (i < record.size() && record[i] != ',') throw std::runtime_error("text after a closing quote");
        } else {
            const std::size_t end = std::min(record.find(',', i), record.size());
            field = record.substr(i, end - i);
            if (field.find('"') != std::string::npos) throw std::runtime_error("a quote inside an unquoted field");
            i = end;
        }
        fields.push_back(std::move(field));
        if (i == record.size()) return fields;
        ++i;  // the comma
    }
}

}  // namespace arena
