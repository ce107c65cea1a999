// The lock-step run of a world: physics in the world's time step, each robot
// woken at its own requested time, the robots waking together handed their
// samples first and their commands applied afterwards in manifest order, so
// the same world and seed give the same run whatever order the controller
// processes answer in.
#ifndef ARENA_RUN_SIMULATION_H
#define ARENA_RUN_SIMULATION_H

#include <chrono>
#include <cstdint>
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
#include "arena/run/terminal_keys.h"
#include "arena/world/world.h"

namespace arena {

// Exit statuses of `arena run`.
constexpr int kCompleted = 0;
constexpr int kControllerFailed = 1;
constexpr int kBadWorld = 2;
constexpr int kInterrupted = 130;

struct RunOptions {
    double duration = 0.0;
    std::uint64_t seed = 1;
    bool realtime = false;
    KeySchedule keys;
    TerminalKeys* terminal = nullptr;  // --interactive
};

class Simulation {
public:
    Simulation(const World& world, RunOptions options, Display& display, Interrupts& interrupts,
               Recorder* recorder);
    // Runs to the end (or until interrupted or a controller breaks the
    // rules), stops every controller, writes summary.json; returns the exit
    // status.
    int run();

private:
    double time_of(std::int64_t step) const { return double(step) * step_ms_ / 1000.0; }
    void start_controllers();
    void wake(std::int64_t t);
    void serve_until_stepped(std::int64_t t, std::vector<RobotRun*>& waking);
    void sleep_until_served(std::int64_t t, std::vector<RobotRun*>& waking);
    void serve_link(RobotRun& r, std::int64_t t);
    void answer_hello(RobotRun& r, std::span<const std::uint8_t> payload);
    void answer_image(RobotRun& r, std::span<const std::uint8_t> payload);
    void take_step(RobotRun& r, std::span<const std::uint8_t> payload);
    void read_output(RobotRun& r, Stream s);
    void commit(std::int64_t t, const std::vector<RobotRun*>& waking);
    void deliver(RobotRun& from, const link::Packet& p);
    void actuate(RobotRun& r, std::int64_t t, bool& moved);
    void controller_gone(RobotRun& r, double t, const std::string& why, bool kill);
    void rest(RobotRun& r);
    void advance(std::int64_t to);
    void report_physics(double t, const std::string& line);
    void check_contacts();
    void pace(std::int64_t t);
    void finish();
    void stop_and_reap(RobotRun& r, double time, std::chrono::steady_clock::time_point deadline);
    void note(RobotRun& r, const char* stream, const std::string& text);
    void flush_pending(RobotRun& r, double t);
    std::vector<int> keys_for(const RobotRun& r, double t);
    nlohmann::json summary() const;
    void fail_world(const std::string& what);
    void report_speed(std::chrono::steady_clock::duration starting, std::chrono::steady_clock::duration stepping);

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
    std::chrono::steady_clock::time_point wall_start_;
    std::chrono::steady_clock::time_point stepping_start_;  // after the controllers' first step
    std::vector<bool> refused_;  // by robot: its commands were refused, it rests
    bool interrupted_ = false;
    std::optional<std::string> world_fault_;
    std::optional<CourseFigures> course_;
    std::vector<int> terminal_keys_;  // pressed on the terminal for this wake  // the flight figures of a course world
};

}  // namespace arena

#endif
