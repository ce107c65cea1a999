// traces/ROBOT.jsonl as the plots need it: step times and one series per
// plotted quantity (distance readings by device, GPS position, force and
// torque sent, wheel commands), thinned to at most max_steps; the packets
// heard or sent and the keys pressed are events and are all kept.
//
// {"steps": N, "stride": S, "t": [...], "devices": {"ds0": "distance_sensor", ...},
//  "series": {"ds0": [...], "gps.x": [...], "fx": [...], "wheel_left": [...]},
//  "packets": [[t, size, "hex"]], "keys": [[t, [codes]]],
//  "sent": [[t, "DEVICE", "hex"]], "enabled": ["DEVICE", ...]}
#ifndef ARENA_REPORT_TRACE_VIEW_H
#define ARENA_REPORT_TRACE_VIEW_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace arena {

// Device types by name, as recording.json states them. Empty for a
// recording made before it did: the types are then told from the shape of
// the samples.
using DeviceTypes = std::map<std::string, std::string>;

nlohmann::json trace_view(const std::filesystem::path& file, const DeviceTypes& types, std::size_t max_steps,
                          std::vector<std::string>& notes);

}  // namespace arena

#endif
