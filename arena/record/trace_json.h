// One line of traces/ROBOT.jsonl: the samples a controller was handed for a
// step and the commands it sent back, by device name.
#ifndef ARENA_RECORD_TRACE_JSON_H
#define ARENA_RECORD_TRACE_JSON_H

#include <cstdint>
#include <set>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "arena/record/json_text.h"  // hex, for the packets
#include "arena/world/world.h"
#include "link/messages.h"

namespace arena {

nlohmann::json floats_json(std::span<const float> values);

// fetched: tags of the cameras whose image the controller asked for.
nlohmann::json samples_json(const BoundRobot& robot, const link::Sensors& s, const std::set<int>& fetched);
nlohmann::json commands_json(const BoundRobot& robot, const link::Step& step);

}  // namespace arena

#endif
