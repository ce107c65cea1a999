#include "arena/live/live_page.h"

#include "arena/report/bundle.h"
#include "arena/report/page_html.h"

namespace arena {

std::string live_page_html(const std::string& title) {
    return page_html({title + " (live)", report_style(), report_script(), "live-config", nlohmann::json::object()});
}

}  // namespace arena
