// Overrides of world.toml's values, applied to its parsed table before the
// manifest is read from it, so that every check of the loader holds for an
// overridden value as for a written one, and its messages point at the
// override ("--set KEY: ...") rather than at a line of the file.
#ifndef ARENA_WORLD_MANIFEST_OVERRIDES_H
#define ARENA_WORLD_MANIFEST_OVERRIDES_H

#include <toml++/toml.h>

#include "arena/world/overrides.h"

namespace arena {

// Applies the overrides whose target is the manifest, in order. Throws
// WorldError naming the key when the world lacks the robot or device it
// names, or the value is not one.
void apply_manifest_overrides(toml::table& root, const Overrides& overrides);

}  // namespace arena

#endif
