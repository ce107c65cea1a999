// Changes to a world given on the command line (`--set KEY=VALUE`), so that
// one world serves many runs without editing its files. Each override names
// what it changes:
//   seed=7, duration=60, ...               a top-level value of world.toml
//   robot.NAME.KEY=V                       a robot's value
//   robot.NAME.device.DEV.KEY=V            a device's value
//   wind.BODY.KEY=V                        a [[wind]] entry's (added if missing)
//   scene.TAG.NAME.ATTR=V                  an attribute of <TAG name="NAME">
//   scene.inertial.BODY.ATTR=V             an attribute of BODY's <inertial>
//   scene.option.ATTR=V                    an attribute of <option>
// Manifest values are TOML values; scene values are attribute text (a TOML
// number or array of numbers is written out space-separated).
#ifndef ARENA_WORLD_OVERRIDES_H
#define ARENA_WORLD_OVERRIDES_H

#include <string>
#include <vector>

#include "arena/world/world_error.h"

namespace arena {

enum class OverrideTarget { manifest, scene_element, scene_inertial, scene_option };

struct Override {
    std::string key;    // as given, before '='
    std::string value;  // as given, after '='
    OverrideTarget target = OverrideTarget::manifest;
    // Manifest: the key's parts ("robot", "airship", "device", "ds0",
    // "noise"). Scene: tag and element name (the body for an inertial, empty
    // for the option) and the attribute.
    std::vector<std::string> path;
    std::string tag, name, attribute;

    std::string text() const { return key + "=" + value; }
    // Where a message about it begins, also the source name of its values.
    std::string origin() const { return "--set " + key; }
};

using Overrides = std::vector<Override>;

// Reads one KEY=VALUE. Throws WorldError naming the key when its form is
// wrong; whether the world has what it names is found when it is applied.
Override parse_override(const std::string& text);

}  // namespace arena

#endif
