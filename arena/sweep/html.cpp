#include "arena/sweep/html.h"

#include "arena/report/bundle.h"

namespace arena::sweep {
namespace {

// JSON inside a <script> element: "<" only occurs inside strings, where
// \u003c means the same, so no text of a row can close the element.
std::string script_safe(const nlohmann::json& data) {
    const std::string text = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) out += c == '<' ? std::string("\\u003c") : std::string(1, c);
    return out;
}

}  // namespace

std::string sweep_html(const nlohmann::json& data) {
    std::string page = "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>Sweep</title>\n<style>";
    page += sweep_style();
    page += "</style></head>\n<body><div id=\"app\"></div>\n";
    page += "<script type=\"application/json\" id=\"sweep-data\">";
    page += script_safe(data);
    page += "</script>\n<script>";
    page += sweep_script();
    page += "</script></body></html>\n";
    return page;
}

}  // namespace arena::sweep
