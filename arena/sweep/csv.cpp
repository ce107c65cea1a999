#include "arena/sweep/csv.h"

#include <charconv>

#include "arena/record/csv_text.h"

namespace arena::sweep {
namespace {

using Json = nlohmann::json;

std::string number(double v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

void add(std::string& line, const std::string& field) {
    if (!line.empty()) line += ',';
    line += csv_field(field);
}

}  // namespace

std::string cell_text(const Json& value) {
    if (value.is_null()) return "";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_number_integer()) return value.dump();
    if (value.is_number()) return number(value.get<double>());
    if (value.is_array()) {
        std::string out;
        for (const Json& e : value) out += (out.empty() ? "" : " ") + cell_text(e);
        return out;
    }
    return value.dump();
}

std::string results_csv(const std::vector<std::string>& parameters, const std::vector<std::string>& figures,
                        const std::map<std::size_t, Row>& rows) {
    std::string header;
    for (const char* name : {"index", "point", "seed"}) add(header, name);
    for (const std::string& p : parameters) add(header, p);
    for (const std::string& f : figures) add(header, f);
    for (const char* name : {"success", "status", "reason", "kept", "wall_time"}) add(header, name);
    std::string out = header + "\n";
    for (const auto& [index, row] : rows) {
        std::string line;
        add(line, std::to_string(row.index));
        add(line, std::to_string(row.point));
        add(line, std::to_string(row.seed));
        for (const std::string& p : parameters)
            add(line, row.parameters.contains(p) ? cell_text(row.parameters[p]) : "");
        for (const std::string& f : figures) add(line, row.figures.contains(f) ? cell_text(row.figures[f]) : "");
        add(line, row.success ? "true" : "false");
        add(line, std::to_string(row.status));
        add(line, row.reason);
        add(line, row.kept);
        add(line, number(row.wall_time));
        out += line + "\n";
    }
    return out;
}

}  // namespace arena::sweep
