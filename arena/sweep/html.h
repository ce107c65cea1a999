// sweep.html: one self-contained page of a sweep (no network, no server):
// sweep.json's data with the sweep viewer's script and style inside.
#ifndef ARENA_SWEEP_HTML_H
#define ARENA_SWEEP_HTML_H

#include <string>

#include <nlohmann/json.hpp>

namespace arena::sweep {

std::string sweep_html(const nlohmann::json& data);

}  // namespace arena::sweep

#endif
