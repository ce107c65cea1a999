// results.csv: one line per finished run, in run order. Its columns: index,
// point, seed, each varied value, each figure, success, status, reason,
// kept, and wall_time last, the one column that differs between two
// sweeps of the same sweep file.
#ifndef ARENA_SWEEP_CSV_H
#define ARENA_SWEEP_CSV_H

#include <map>
#include <string>
#include <vector>

#include "arena/sweep/rows.h"

namespace arena::sweep {

std::string results_csv(const std::vector<std::string>& parameters, const std::vector<std::string>& figures,
                        const std::map<std::size_t, Row>& rows);

// A value as a CSV cell: numbers in their shortest form, arrays
// space-separated, null as an empty cell.
std::string cell_text(const nlohmann::json& value);

}  // namespace arena::sweep

#endif
