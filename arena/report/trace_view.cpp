#include "arena/report/trace_view.h"

#include <map>

#include "arena/report/decimate.h"
#include "arena/report/recording_lines.h"

namespace arena {
namespace {

using Json = nlohmann::json;

// Every series has one value per step; a quantity first seen late gets
// nulls (no value) for the steps before.
struct Series {
    std::map<std::string, std::vector<Json>> columns;
    std::size_t steps = 0;

    void set(const std::string& name, Json value) {
        auto& column = columns[name];
        column.resize(steps, nullptr);
        column.back() = std::move(value);
    }
};

const char* guessed_type(const Json& sample) {
    if (sample.is_number()) return "distance_sensor";
    if (sample.is_array() && sample.size() == 16) return "gps";
    if (sample.is_object() && sample.contains("hex")) return "receiver";
    if (sample.is_object() && sample.contains("fetched")) return "camera";
    return nullptr;
}

struct Reader {
    explicit Reader(const DeviceTypes& stated) : types(stated) {}

    const DeviceTypes& types;
    Series series;
    Json devices = Json::object();
    Json packets = Json::array();
    Json keys = Json::array();
    Json sent = Json::array();
    Json enabled = Json::array();
    std::vector<double> times;
    Json wheels = Json::array({0, 0});  // wheel speeds hold until changed
    bool wheels_sent = false;

    void samples(double t, const Json& samples) {
        for (const auto& [name, sample] : samples.items()) {
            if (name == "keys") {
                if (!sample.empty()) keys.push_back({t, sample});
                continue;
            }
            const auto stated = types.find(name);
            const char* type = stated != types.end() ? stated->second.c_str()
                               : types.empty()       ? guessed_type(sample)
                                                     : nullptr;
            if (!type) continue;
            devices[name] = type;
            if (std::string_view(type) == "distance_sensor") {
                series.set(name, sample);
            } else if (std::string_view(type) == "gps") {
                series.set(name + ".x", rounded(sample.at(12).get<double>(), 1e4));
                series.set(name + ".y", rounded(sample.at(13).get<double>(), 1e4));
                series.set(name + ".z", rounded(sample.at(14).get<double>(), 1e4));
            } else if (std::string_view(type) == "receiver") {
                packets.push_back({t, sample.at("size"), sample.at("hex")});
            }
        }
    }

    // Emitted packets: "emit": {"DEVICE": "hex"} or {"DEVICE": ["hex", ...]}.
    void emitted(double t, const Json& emit) {
        for (const auto& [device, packets] : emit.items()) {
            for (const Json& hex : packets.is_array() ? packets : Json::array({packets})) {
                sent.push_back({t, device, hex});
            }
        }
    }

    void commands(double t, const Json& commands) {
        if (const auto e = commands.find("emit"); e != commands.end()) emitted(t, *e);
        // A receiver or emitter shows in the samples only when a packet comes:
        // the enables name it from the start.
        if (const auto e = commands.find("enable"); e != commands.end()) {
            for (const auto& item : e->items()) enabled.push_back(item.key());
        }
        if (const auto ft = commands.find("force_torque"); ft != commands.end()) {
            const char* names[] = {"fx", "fy", "fz", "tx", "ty", "tz"};
            for (int k = 0; k < 6; ++k) series.set(names[k], rounded(ft->at(k).get<double>(), 1e6));
        }
        if (const auto w = commands.find("wheels"); w != commands.end()) {
            wheels = {w->at(0), w->at(1)};
            wheels_sent = true;
        }
        series.set("wheel_left", wheels[0]);
        series.set("wheel_right", wheels[1]);
    }

    void line(std::string_view text) {
        const Json step = parse_json(text);
        const double t = step.at("t").get<double>();
        times.push_back(t);
        ++series.steps;
        samples(t, step.value("samples", Json::object()));
        commands(t, step.value("commands", Json::object()));
        if (const auto w = step.find("wind"); w != step.end()) {
            const char* names[] = {"wind.x", "wind.y", "wind.z"};
            for (int k = 0; k < 3; ++k) series.set(names[k], rounded(w->at(k).get<double>(), 1e6));
        }
    }
};

}  // namespace

Json trace_view(const std::filesystem::path& file, const DeviceTypes& types, std::size_t max_steps,
                std::vector<std::string>& notes) {
    Reader reader(types);
    for_each_line(
        file, [&](std::string_view text) { reader.line(text); }, notes);
    const std::size_t n = reader.times.size();
    const std::size_t stride = stride_for(n, max_steps);
    Json t = Json::array(), series = Json::object();
    for (std::size_t i = 0; i < n; ++i) {
        if (kept(i, n, stride)) t.push_back(reader.times[i]);
    }
    for (auto& [name, column] : reader.series.columns) {
        // A robot that never sent wheel speeds has no wheels to plot.
        if (!reader.wheels_sent && name.starts_with("wheel_")) continue;
        column.resize(n, nullptr);
        Json& out = series[name] = Json::array();
        for (std::size_t i = 0; i < n; ++i) {
            if (kept(i, n, stride)) out.push_back(column[i]);
        }
    }
    return {{"steps", n},
            {"stride", stride},
            {"t", t},
            {"devices", reader.devices},
            {"series", series},
            {"packets", reader.packets},
            {"keys", reader.keys},
            {"sent", reader.sent},
            {"enabled", reader.enabled}};
}

}  // namespace arena
