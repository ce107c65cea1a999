// The viewer's script and style sheet, bundled from report/ at build time
// and compiled in, so a report can be written with nothing beside the binary.
#ifndef ARENA_REPORT_BUNDLE_H
#define ARENA_REPORT_BUNDLE_H

#include <string_view>

namespace arena {

std::string_view report_script();
std::string_view report_style();
// The page of a sweep (report/sweep/): sweep.html's script and style.
std::string_view sweep_script();
std::string_view sweep_style();

}  // namespace arena

#endif
