#include "arena/report/page_html.h"

namespace arena {
namespace {

// Text for an element or a quoted attribute.
std::string html_escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// JSON inside a <script> element: a "<" can only occur inside a string,
// where \u003c means the same, so no "</script>" in a robot's text can end
// the element. A byte that is not UTF-8 becomes U+FFFD, not a broken page.
std::string script_safe_json(const nlohmann::json& data) {
    const std::string text = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<') out += "\\u003c";
        else out += c;
    }
    return out;
}

}  // namespace

std::string page_html(const PageParts& parts) {
    std::string page;
    page += "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>" + html_escaped(parts.title) + "</title>\n<style>";
    page += parts.style;
    page += "</style></head>\n<body><div id=\"app\"></div>\n";
    page += "<script type=\"application/json\" id=\"" + html_escaped(parts.data_id) + "\">";
    page += script_safe_json(parts.data);
    page += "</script>\n<script>";
    page += parts.script;
    page += "</script></body></html>\n";
    return page;
}

}  // namespace arena
