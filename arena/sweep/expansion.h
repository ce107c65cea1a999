// A sweep file's runs, in one fixed order: each grid's points (the last axis
// varying fastest), each point run `runs` times with seeds seed, seed + 1...
// A run's index is its place in that order, whoever runs it.
#ifndef ARENA_SWEEP_EXPANSION_H
#define ARENA_SWEEP_EXPANSION_H

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/sweep/sweep_file.h"

namespace arena::sweep {

struct Setting {
    std::string key;
    std::string label;
    nlohmann::json value;  // as the sweep file gave it: shown in the results
    std::string text;      // as handed to `arena run --set KEY=TEXT`
    bool varied = true;    // false for the sweep file's [set] values
};

struct Run {
    std::size_t index = 0;
    std::size_t point = 0;
    std::size_t grid = 0;
    std::uint64_t seed = 0;
    std::vector<Setting> settings;  // the fixed ones, then the varied ones
};

std::vector<Run> expand(const Spec& spec);

// The labels of every varied value, in the order they first appear: the
// parameter columns of the results.
std::vector<std::string> parameter_labels(const Spec& spec);

// The text of a value on the command line: scene attributes take their
// text as written ("0 1.2 0"), manifest values a TOML value ("text" quoted).
std::string override_text(const std::string& key, const nlohmann::json& value, const std::string& format = "");

// The whole `arena run` command line after the program's name.
std::vector<std::string> run_arguments(const Spec& spec, const Run& run);

}  // namespace arena::sweep

#endif
