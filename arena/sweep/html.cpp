#include "arena/sweep/html.h"

#include "arena/report/bundle.h"
#include "arena/report/page_html.h"

namespace arena::sweep {

std::string sweep_html(const nlohmann::json& data) {
    return page_html({"Sweep", sweep_style(), sweep_script(), "sweep-data", data});
}

}  // namespace arena::sweep
