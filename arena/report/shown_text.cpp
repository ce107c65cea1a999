#include "arena/report/shown_text.h"

#include <cstdio>

#include "arena/record/json_text.h"

namespace arena {

std::string shown_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const std::size_t n = utf8_sequence_at(bytes, i);
        if (n == 0 || (c < 0x20 && c != '\t') || c == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

nlohmann::json shown_json(const nlohmann::json& j) {
    if (j.is_string()) return shown_text(j.get_ref<const std::string&>());
    if (j.is_object() && j.size() == 1 && j.contains("hex") && j["hex"].is_string()) {
        try {
            return shown_text(text_of(j));
        } catch (const std::runtime_error&) {
            return j;  // not text after all; shown as the object it is
        }
    }
    if (!j.is_structured()) return j;
    nlohmann::json out = j.is_array() ? nlohmann::json::array() : nlohmann::json::object();
    for (auto it = j.begin(); it != j.end(); ++it) {
        if (j.is_array()) out.push_back(shown_json(*it));
        else out[shown_text(it.key())] = shown_json(it.value());
    }
    return out;
}

}  // namespace arena
