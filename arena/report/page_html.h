// One self-contained page, the shell of every page the arena writes or
// serves (the run report, the live view, a sweep's page): the viewer's style
// and script inline, and the data it shows as JSON in a <script> element of
// its own, so the page needs no network and no server.
#ifndef ARENA_REPORT_PAGE_HTML_H
#define ARENA_REPORT_PAGE_HTML_H

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace arena {

struct PageParts {
    std::string_view title;
    std::string_view style;
    std::string_view script;
    std::string_view data_id;  // the id the script finds its data by
    const nlohmann::json& data;
};

std::string page_html(const PageParts& parts);

// Text for an element or a quoted attribute.
std::string html_escaped(std::string_view text);
// JSON inside a <script> element: a "<" can only occur inside a string,
// where \u003c means the same, so no "</script>" in a robot's text can end
// the element. A byte that is not UTF-8 becomes U+FFFD, not a broken page.
std::string script_safe_json(const nlohmann::json& data);

}  // namespace arena

#endif
