// docs/worlds.md is the reference of world.toml: a key the loader takes but
// the page leaves out is a key nobody can find.
//
// The page names a table in the first code span of a heading: `[[robot]]`,
// `[robot.wheels]` (a path from the top), or `camera` under `[[robot.device]]`
// (a path below the heading above); a heading without one stays in the
// table above it. Each key is a table row whose first cell is `key`. Keys
// every device has are documented once, under `[[robot.device]]`.
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena/world/manifest.h"

namespace {

std::string section_of(const std::string& span, const std::string& parent) {
    if (span.empty()) return parent;
    if (span.front() != '[') return parent.empty() ? span : parent + "." + span;
    return span.substr(span.find_first_not_of('['), span.find(']') - span.find_first_not_of('['));
}

std::set<std::string> documented_keys(const std::string& page) {
    std::ifstream in(page);
    EXPECT_TRUE(in) << page;
    static const std::regex heading(R"(^(#+) [^`]*(?:`([^`]*)`)?.*$)");
    static const std::regex row(R"(^\| `([A-Za-z_]+)` \|)");
    std::vector<std::string> sections{""};  // by heading level
    std::set<std::string> keys;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, heading)) {
            const std::size_t level = m[1].length();
            sections.resize(level, sections.back());
            sections.push_back(section_of(m[2].str(), sections[level - 1]));
        } else if (std::regex_search(line, m, row)) {
            keys.insert(sections.back().empty() ? m[1].str() : sections.back() + "." + m[1].str());
        }
    }
    return keys;
}

TEST(WorldReference, DocumentsEveryKeyTheLoaderTakes) {
    const std::set<std::string> documented = documented_keys(DOCS_DIR "/worlds.md");
    const std::vector<std::string> accepted = arena::manifest_keys();
    ASSERT_GT(accepted.size(), 20u);
    for (const std::string& key : accepted) {
        const std::size_t last = key.rfind('.'), type = key.rfind('.', last - 1);
        const std::string shared = type == std::string::npos ? key : key.substr(0, type) + key.substr(last);
        EXPECT_TRUE(documented.count(key) || (key.starts_with("robot.device.") && documented.count(shared)))
            << key << " is not in docs/worlds.md";
    }
}

}  // namespace
