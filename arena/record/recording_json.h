// recording.json: what a recording holds, so that its readers need not
// guess: the format's version, the world, and for each robot its drive and
// its devices with the parameters they ran with.
#ifndef ARENA_RECORD_RECORDING_JSON_H
#define ARENA_RECORD_RECORDING_JSON_H

#include <nlohmann/json.hpp>

#include "arena/world/world.h"

namespace arena {

// Bumped whenever a file of the recording changes its layout.
constexpr int kRecordingFormat = 2;

nlohmann::json recording_json(const World& world);

// The run's --set overrides, "KEY=VALUE" in the order given: with the world
// and the seed, all it takes to run it again.
nlohmann::json overrides_json(const Overrides& overrides);

}  // namespace arena

#endif
