// The lock-step run of a world: physics in the world's time step, each robot
// woken at its own requested time, the robots waking together handed their
// samples first and their commands applied afterwards in manifest order, so
// the same world and seed give the same run whatever order the controller
// processes answer in.
//
// The arena trusts no controller: it never waits on one without also
// watching the interrupt signals, the controller's own exit and the step
// watchdog, so a controller that hangs, stops, breaks its link or leaves a
// child behind ends alone, named, while the others go on.
#ifndef ARENA_RUN_SIMULATION_H
#define ARENA_RUN_SIMULATION_H

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "arena/course/course_figures.h"
#include "arena/physics/physics.h"
#include "arena/record/recorder.h"
#include "arena/run/display.h"
#include "arena/run/interrupts.h"
#include "arena/run/key_schedule.h"
#include "arena/run/robot_run.h"
#include "arena/run/run_kinds.h"
#include "arena/run/terminal_keys.h"
#include "arena/world/world.h"

namespace arena {

struct RunOptions {
    double duration = 0.0;
    std::uint64_t seed = 1;
    bool realtime = false;
    // Wall-clock seconds a controller has to answer its handshake or a step;
    // 0: no limit (for a person debugging a controller).
    double step_timeout = 10.0;
    KeySchedule keys;
    TerminalKeys* terminal = nullptr;    // --interactive
    std::filesystem::path summary_file;  // --summary: the summary also here
};

class Simulation {
public:
    Simulation(const World& world, RunOptions options, Display& display, Interrupts& interrupts, Recorder* recorder);
    // Runs to the end (or until interrupted, the world or the recording
    // fails), stops every controller, writes summary.json; returns the exit
    // status.
    RunStatus run();

private:
    using Clock = std::chrono::steady_clock;

    double time_of(std::int64_t step) const { return double(step) * step_ms_ / 1000.0; }
    bool stopping() const { return end_reason_ != RunStatus::completed; }
    RunStatus outcome() const;
    void stop(RunStatus why, const std::string& what);

    // One pass, in order.
    void start_controllers();
    std::vector<RobotRun*> waking_at(std::int64_t t);
    void hand_over(std::int64_t t, const std::vector<RobotRun*>& waking);
    void collect(std::int64_t t, const std::vector<RobotRun*>& waking);
    void check_and_actuate(std::int64_t t, const std::vector<RobotRun*>& waking);
    void advance(std::int64_t to);
    void report_physics(double t, const std::string& line);

    // The link, never waiting.
    bool serve(RobotRun& r, std::int64_t t);
    void handle(RobotRun& r, const link::Frame& frame);
    void answer_hello(RobotRun& r, std::span<const std::uint8_t> payload);
    void answer_image(RobotRun& r, std::span<const std::uint8_t> payload);
    void take_step(RobotRun& r, std::span<const std::uint8_t> payload);
    void sleep_until_something(std::int64_t t, const std::vector<RobotRun*>& waking);
    void watchdog(std::int64_t t, const std::vector<RobotRun*>& waking);
    int poll_timeout_ms(const std::vector<RobotRun*>& waking) const;

    // Robots' ends and output.
    void read_output(RobotRun& r, Stream s);
    void controller_gone(RobotRun& r, double t, const std::string& why, bool kill);
    void rest(RobotRun& r);
    void note(RobotRun& r, LineStream stream, const std::string& text);
    void flush_pending(RobotRun& r, double t);

    // Actuation.
    void deliver(RobotRun& from, const link::Packet& p);
    void actuate(RobotRun& r, std::int64_t t, bool& moved);
    bool steps_whole(RobotRun& r, double time, std::int64_t& whole);

    void check_contacts();
    void pace(std::int64_t t);
    void finish();
    void stop_controllers(double time);
    std::vector<int> keys_for(const RobotRun& r, double t);
    nlohmann::json summary() const;
    void report_speed(Clock::duration starting, Clock::duration stepping);

    const World& world_;
    RunOptions options_;
    Display& display_;
    Interrupts& interrupts_;
    Recorder* recorder_;

    const mjModel* model_;
    Physics physics_;
    double step_ms_;
    std::int64_t now_ = 0;  // physics steps since the start
    std::int64_t end_;
    std::int64_t record_every_;
    std::vector<std::unique_ptr<RobotRun>> robots_;
    std::vector<int> robot_of_body_;  // index into robots_, -1: no robot's
    // What each robot has touched besides the floor, first touch first.
    struct Contact {
        int geom;
        double time;
    };
    std::vector<std::vector<Contact>> contacts_;
    Clock::time_point wall_start_;
    Clock::time_point stepping_start_;  // after the controllers' first step
    // completed while the run goes on; otherwise why it stops.
    RunStatus end_reason_ = RunStatus::completed;
    std::optional<std::string> error_;     // the line that stopped the run
    std::optional<CourseFigures> course_;  // the flight figures of a course world
    std::vector<int> terminal_keys_;       // pressed on the terminal for this wake
};

}  // namespace arena

#endif
