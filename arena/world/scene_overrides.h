// Overrides of the scene's attributes, made on the MJCF text before MuJoCo
// compiles it. Editing the text rather than the compiled model keeps every
// attribute's meaning as written (a body's pos relative to its parent, a
// quat before normalising, a geom's size before the inertia is worked out
// from it), and leaves the compiler's defaults, classes and inertia from
// geoms to MuJoCo, as for a scene written by hand.
#ifndef ARENA_WORLD_SCENE_OVERRIDES_H
#define ARENA_WORLD_SCENE_OVERRIDES_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <tinyxml2.h>

#include "arena/world/overrides.h"

namespace arena {

class SceneEdit {
public:
    // Reads the scene file and applies the scene overrides. Throws
    // WorldError naming the key when the scene lacks the element it names.
    SceneEdit(const std::filesystem::path& file, const Overrides& overrides);

    bool empty() const { return keys_.empty(); }
    // The edited document, lines as in the file (for the scene's own reads).
    const tinyxml2::XMLDocument& document() const { return doc_; }
    // The edited scene as text, for MuJoCo to compile.
    const std::string& text() const { return text_; }

    // A message about the edited text told of the file: its line numbers
    // turned back into the file's, and the override that changed the element
    // at fault named first ("--set KEY: ..."), or all of them when the
    // message names no element of theirs.
    std::string blame(const std::string& message) const;

private:
    int file_line(int text_line) const;
    std::string file_lines(const std::string& message) const;

    tinyxml2::XMLDocument doc_;
    std::string text_;
    std::map<int, int> lines_;                       // line in text_ -> line in the file
    std::vector<std::pair<int, std::string>> keys_;  // line in the file of the element set, key
};

}  // namespace arena

#endif
