// One robot during a run: its controller process and link, where it is in
// the step cycle, what its program has enabled and commanded, and what waits
// to be written to the recording.
#ifndef ARENA_RUN_ROBOT_RUN_H
#define ARENA_RUN_ROBOT_RUN_H

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "arena/process/controller_process.h"
#include "arena/process/line_joiner.h"
#include "arena/run/run_kinds.h"
#include "arena/world/world.h"
#include "devices/packet_queue.h"
#include "link/channel.h"
#include "link/messages.h"

namespace arena {

enum class Phase {
    hello,      // started, its HELLO not yet answered
    computing,  // handed its samples, its STEP not yet in
    stepped,    // its STEP is in, waiting for the others waking with it
    asleep,     // until its next wake
    gone,       // its process has ended or been stopped
};

struct DeviceState {
    int period_ms = 0;  // 0: not enabled
    std::int64_t last_sample = 0;
    std::optional<PacketQueue> queue;  // receivers only
};

struct PendingLine {
    LineStream stream;
    std::string text;
};

struct ExitRecord {
    ExitHow how;
    ExitStatus status;
    double time = 0.0;
};

struct RobotRun {
    RobotRun(const BoundRobot& robot, std::uint64_t seed, std::size_t index);

    const BoundRobot& robot;
    const std::string& name() const { return robot.spec->name; }

    std::unique_ptr<ControllerProcess> process;
    std::unique_ptr<link::Channel> channel;
    Phase phase = Phase::hello;
    std::int64_t wake = 0;  // physics step of the next wake
    std::int64_t steps = 0;
    // The watchdog's deadline for its HELLO or its STEP.
    std::chrono::steady_clock::time_point answer_by{};
    bool refused = false;  // a command of its was refused: it rests from then on

    std::vector<DeviceState> devices;  // by tag - 1
    int keyboard_period = 0;
    std::int64_t keyboard_last = 0;
    std::mt19937_64 rng;

    link::Sensors handed;   // the samples of the current step
    std::set<int> fetched;  // camera tags whose image the program looked at this step
    std::set<int> looked;   // ... in its last step: their images go with the next samples
    std::optional<link::Step> step;
    LineJoiner console;
    std::vector<PendingLine> pending;
    std::optional<ExitRecord> exit;

    bool alive() const { return phase != Phase::gone; }
    // The arena waits for its controller in this wake.
    bool awaited() const { return phase == Phase::hello || phase == Phase::computing; }
};

}  // namespace arena

#endif
