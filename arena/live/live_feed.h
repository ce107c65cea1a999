// What the simulation tells the live view's pages: once, the scene and the
// robots (the hello); then, at the display's rate and not at every physics
// step, frames with every body's pose, the console lines and the robots'
// steps since the last frame, the world's figures and the run's controls.
// Lines and steps are gathered only while a page watches, so an unwatched
// run pays next to nothing.
#ifndef ARENA_LIVE_LIVE_FEED_H
#define ARENA_LIVE_LIVE_FEED_H

#include <mujoco/mujoco.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/live/live_hub.h"
#include "arena/world/world.h"

namespace arena {

// The run's controls as the pages see them.
struct RunControl {
    bool paused = false;
    double speed = 1.0;  // 0: as fast as it goes
    std::string pilot;   // the robot the pages' keys go to; empty: none has a keyboard yet
};

class LiveFeed {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFramePeriod{20};
    // As fast as it goes, a run shows a frame a second (and one at once
    // when a page changes the controls): its bodies move seconds of
    // simulated time between any two frames a page could draw, and each
    // frame a page draws takes the cores from the run (measured on two cores
    // with software WebGL: 4 frames a second cost a third of the run's
    // speed, 2 about 18 %, 1 about 11 %).
    static constexpr std::chrono::milliseconds kFlatOutFramePeriod{1000};
    static constexpr std::size_t kKeptSteps = 400;  // per robot and frame; older ones are dropped
    static constexpr std::chrono::milliseconds kStepGap{10};
    // Per frame: a page shows the latest lines only, and a run going as fast
    // as it goes can print tens of thousands a second (console.log keeps all).
    static constexpr std::size_t kKeptLines = 200;

    LiveFeed(LiveHub& hub, const World& world, double duration);

    bool watched() const { return hub_.watched(); }
    void console(double t, const std::string& robot, const char* stream, const std::string& text);
    // Whether a robot's step now is worth a place in the next frame: every
    // step at the wall clock's pace, about one per kStepGap when the run
    // goes faster (a page plots no more than it can draw), and any step
    // that carries keys.
    bool wants_step(const std::string& robot, bool has_keys);
    void step(const std::string& robot, nlohmann::json step);
    // The image a robot's camera handed its program; the last one of each
    // camera goes with the next frame.
    void image(const std::string& robot, const std::string& camera, int width, int height,
               const std::vector<std::uint8_t>& rgb);
    // flat_out: the run goes as fast as it goes
    bool due(Clock::time_point now, bool flat_out) const {
        return now - last_ >= (flat_out ? kFlatOutFramePeriod : kFramePeriod);
    }
    void publish(double t, const mjModel* m, const mjData* d, const RunControl& control, nlohmann::json figures);

private:
    LiveHub& hub_;
    Clock::time_point last_{};
    struct Line {
        double t;
        std::string robot;
        const char* stream;
        std::string text;
    };
    std::deque<Line> console_;
    std::size_t dropped_lines_ = 0;
    std::map<std::string, nlohmann::json> steps_;
    std::map<std::string, Clock::time_point> last_step_;
    std::size_t dropped_steps_ = 0;
    nlohmann::json images_ = nlohmann::json::object();
};

}  // namespace arena

#endif
