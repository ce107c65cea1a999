// gate_course_speed: how fast the gate course flies in fast mode, against
// the physics alone.
//
// 1. Flies the course once with --record, to get the forces the controller
//    sent at every pass.
// 2. Flies it again, without recording, timing the whole arena command
//    (loading the world, the controller process, link, devices, physics,
//    stopping) and reading the arena's own figure for its stepping (from
//    starting the controller to the last step): simulated seconds per wall
//    second, both.
// 3. Replays the recorded forces on the same scene with MuJoCo alone, each
//    held for its pass as the arena holds it: the bound no controller can
//    beat. Prints both and their ratio, and how far the replay ended from
//    the flight's own last pose (0 when the replay is the same flight).
//
// Run by hand from the build folder's parent (targets: at least 1000 times
// real time, ratio to the bound at most 1.5):
//
//   build/bin/gate_course_speed [WORLD_DIR] [ROUNDS]
#include <mujoco/mujoco.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "arena/physics/physics.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Pass {
    std::array<float, 6> force_torque;
    int ms;
};

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

fs::path arena_binary() { return fs::canonical("/proc/self/exe").parent_path() / "arena"; }

struct ArenaTimes {
    double command;   // the whole `arena run`
    double stepping;  // as the arena reports it, from the first step to the last
    double starting;  // starting the controller, before the first step
};

ArenaTimes run_arena(const fs::path& world, const std::string& extra) {
    const fs::path report = fs::temp_directory_path() / "gate_course_speed.stderr";
    const std::string command =
        arena_binary().string() + " run " + world.string() + " " + extra + " > /dev/null 2> " + report.string();
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) throw std::runtime_error("arena failed: " + command);
    ArenaTimes t{seconds_since(start), 0, 0};
    std::ifstream in(report);
    for (std::string line; std::getline(in, line);) {
        std::sscanf(line.c_str(),
                    "arena: ran %*f s of simulated time in %lf s, %*f times real time (starting the controllers "
                    "took %lf ms)",
                    &t.stepping, &t.starting);
    }
    if (t.stepping <= 0) throw std::runtime_error("the arena did not report its speed in " + report.string());
    return t;
}

// The force and torque in effect during each pass, from the airship's trace.
std::vector<Pass> recorded_passes(const fs::path& trace) {
    std::ifstream in(trace);
    if (!in) throw std::runtime_error("no trace at " + trace.string());
    std::vector<Pass> passes;
    std::array<float, 6> held{};
    for (std::string line; std::getline(in, line);) {
        const auto step = nlohmann::json::parse(line);
        const auto& commands = step["commands"];
        if (commands.contains("force_torque")) held = commands["force_torque"].get<std::array<float, 6>>();
        passes.push_back({held, step["ms"].get<int>()});
    }
    return passes;
}

struct Replay {
    double wall;
    double simulated;
    std::array<double, 3> end;  // where the airship ended
};

// The airship's last recorded position in poses.csv.
std::array<double, 3> last_pose(const fs::path& poses) {
    std::ifstream in(poses);
    std::array<double, 3> end{};
    for (std::string line; std::getline(in, line);) {
        if (line.find(",airship,") == std::string::npos) continue;
        std::sscanf(line.c_str(), "%*[^,],airship,%lf,%lf,%lf", &end[0], &end[1], &end[2]);
    }
    return end;
}

Replay replay(const fs::path& scene, const std::vector<Pass>& passes) {
    char error[1000] = "";
    arena::ModelPtr m(mj_loadXML(scene.c_str(), nullptr, error, sizeof error));
    if (!m) throw std::runtime_error(error);
    arena::Physics physics(m.get());
    const int body = mj_name2id(m.get(), mjOBJ_BODY, "airship");
    const auto start = Clock::now();
    for (const Pass& p : passes) {
        // As in the arena: the pass's first half step is taken while the
        // controller computes, and its force is held for the whole pass,
        // turned with the craft at every step by the same rule.
        physics.begin_step();
        physics.hold(body, p.force_torque);
        const int steps = int(p.ms / 1000.0 / m->opt.timestep + 0.5);
        for (int i = 0; i < steps; ++i) physics.step();
        physics.update_poses();  // as the arena does for the samples
    }
    Replay r{seconds_since(start), physics.time(), {}};
    for (int i = 0; i < 3; ++i) r.end[std::size_t(i)] = physics.data()->xpos[3 * body + i];
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path world = argc > 1 ? fs::path(argv[1]) : fs::path(WORLDS_DIR) / "gate_course";
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path record = fs::temp_directory_path() / "gate_course_speed";
    fs::remove_all(record);
    try {
        run_arena(world, "--no-report --record " + record.string());
        const std::vector<Pass> passes = recorded_passes(record / "traces" / "airship.jsonl");
        const auto summary = nlohmann::json::parse(std::ifstream(record / "summary.json"));
        const double simulated = summary["duration"].get<double>();

        const std::array<double, 3> flown = last_pose(record / "poses.csv");
        ArenaTimes best{1e9, 1e9, 1e9};
        double bound_best = 1e9;
        Replay r{};
        for (int i = 0; i < rounds; ++i) {
            const ArenaTimes a = run_arena(world, "--no-record");
            best = {std::min(best.command, a.command), std::min(best.stepping, a.stepping),
                    std::min(best.starting, a.starting)};
            r = replay(world / "scene.xml", passes);
            bound_best = std::min(bound_best, r.wall);
        }
        const double replayed = r.simulated;
        std::printf("simulated          %8.1f s (%zu passes; replay %.1f s)\n", simulated, passes.size(), replayed);
        std::printf("arena, whole run   %8.4f s wall  %8.0f x real time  (with loading and stopping)\n", best.command,
                    simulated / best.command);
        std::printf(
            "arena, stepping    %8.4f s wall  %8.0f x real time  (first step to last; starting the "
            "controller %.1f ms before)\n",
            best.stepping, simulated / best.stepping, best.starting);
        std::printf("physics alone      %8.4f s wall  %8.0f x real time\n", bound_best, replayed / bound_best);
        std::printf("ratio to the bound %8.2f stepping, %.2f whole run\n", best.stepping / bound_best,
                    best.command / bound_best);
        std::printf("replay ends %.3g m from the flight's last pose\n",
                    std::hypot(r.end[0] - flown[0], r.end[1] - flown[1], r.end[2] - flown[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gate_course_speed: %s\n", e.what());
        return 1;
    }
    fs::remove_all(record);
    return 0;
}
