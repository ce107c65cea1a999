// The live page: the report's viewer (the same bundle, compiled in) started
// in its live mode, which takes its data from the run's live connection
// instead of from data embedded in the page.
#ifndef ARENA_LIVE_LIVE_PAGE_H
#define ARENA_LIVE_LIVE_PAGE_H

#include <string>

namespace arena {

std::string live_page_html(const std::string& title);

}  // namespace arena

#endif
