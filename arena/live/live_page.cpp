#include "arena/live/live_page.h"

#include "arena/report/bundle.h"

namespace arena {
namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string live_page_html(const std::string& title) {
    std::string page;
    page += "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>" + escaped(title) + " (live)</title>\n<style>";
    page += report_style();
    page += "</style></head>\n<body><div id=\"app\"></div>\n";
    page += "<script type=\"application/json\" id=\"live-config\">{}</script>\n<script>";
    page += report_script();
    page += "</script></body></html>\n";
    return page;
}

}  // namespace arena
