// A sweep's sweep file: the world, the values to vary, the runs per point and the
// figures to collect, read from a TOML file (docs/sweeps.md describes it).
#ifndef ARENA_SWEEP_SWEEP_FILE_H
#define ARENA_SWEEP_SWEEP_FILE_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena::sweep {

// A sweep file that cannot be swept: one line naming the file, the line and the key.
class SpecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Keep { all, failures, none };

// One override key and the values it takes, in order. Values are JSON
// numbers, strings, booleans or arrays of numbers, as written in the sweep file
// (ranges and random samples already drawn).
struct Axis {
    std::string key;     // an override key of `arena run --set`
    std::string label;   // its column in results.csv and name on the page
    std::string format;  // "" or a text in which "{}" stands for the value
    std::vector<nlohmann::json> values;
};

// Axes crossed with each other; a sweep file is a list of grids, swept in order.
struct Grid {
    std::vector<Axis> axes;
};

struct Figure {
    std::string path;  // dot-separated path into summary.json's "figures"
    std::string label;
};

// Overrides every run gets, before the varied ones.
struct Fixed {
    std::string key;
    nlohmann::json value;
};

struct Spec {
    std::filesystem::path file;
    std::filesystem::path world;  // resolved against the sweep file's folder
    std::optional<double> duration;
    int runs = 1;            // runs per point
    std::uint64_t seed = 1;  // run r of each point has seed + r
    std::vector<Fixed> fixed;
    std::vector<Grid> grids;
    std::vector<Figure> figures;
    // Path of the figure that says a run succeeded; "" for the default: the
    // figures' own "success", else that of the one group of figures that has
    // it (a course world's "course.success").
    std::string success;
};

// Throws SpecError.
Spec read_spec(const std::filesystem::path& file);
Spec parse_spec(const std::string& text, const std::filesystem::path& file);

// The key's kind is one `arena run --set` knows; "" when it is, else why not.
std::string check_override_key(const std::string& key);

}  // namespace arena::sweep

#endif
