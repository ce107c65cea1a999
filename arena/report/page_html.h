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

}  // namespace arena

#endif
