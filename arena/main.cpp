// arena: loads a world, starts one controller process per robot and runs
// them in lock-step with MuJoCo physics.
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>

#include <CLI/CLI.hpp>

#include "arena/record/json_text.h"
#include "arena/record/recorder.h"
#include "arena/report/write_report.h"
#include "arena/run/display.h"
#include "arena/run/interrupts.h"
#include "arena/run/simulation.h"
#include "arena/run/terminal_keys.h"
#include "arena/sweep/command.h"
#include "arena/world/controller_path.h"
#include "arena/world/world.h"
#include "arena/world/world_error.h"

namespace {

struct RunArgs {
    std::string world;
    std::optional<double> duration;
    std::string record;
    bool no_record = false;
    bool no_report = false;
    bool overwrite = false;
    std::optional<std::uint64_t> seed;
    std::optional<double> step_timeout;
    std::string keys;
    bool interactive = false;
    bool realtime = false;
    std::vector<std::string> sets;  // --set KEY=VALUE, in order
    std::string summary;
};

constexpr int status(arena::RunStatus s) { return int(s); }

// Numbers on the command line are checked as strictly as world.toml's: a
// NaN, an infinity, a sign where none belongs or a value out of range is bad
// usage, named by its option.
std::string finite_in(double v, double min, bool min_exclusive, double max) {
    if (!std::isfinite(v) || v < min || (min_exclusive && v == min) || v > max) {
        char range[96];
        std::snprintf(range, sizeof range,
                      min_exclusive ? "must be a number above %g and at most %g" : "must be a number from %g to %g",
                      min, max);
        return range;
    }
    return "";
}

arena::Overrides parse_overrides(const std::vector<std::string>& sets) {
    arena::Overrides out;
    for (const std::string& s : sets) out.push_back(arena::parse_override(s));
    return out;
}

int check(const std::string& folder, const std::vector<std::string>& sets) {
    try {
        auto world = arena::load_world(folder, arena::own_folder(), parse_overrides(sets));
        std::cout << world->manifest.file.string() << ": ok, " << world->robots.size() << " robot"
                  << (world->robots.size() == 1 ? "" : "s") << ", physics step "
                  << world->scene.model()->opt.timestep * 1000.0 << " ms\n";
        return status(arena::RunStatus::completed);
    } catch (const arena::WorldError& e) {
        std::cerr << "arena: " << e.what() << "\n";
        return status(arena::RunStatus::bad_world);
    }
}

// Without --record a run is still kept, in a folder of its own under runs/,
// so that nothing a person flew is lost.
std::string default_record_folder(const std::string& world) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string name = std::filesystem::absolute(world).lexically_normal().filename().string();
    if (name.empty()) name = std::filesystem::absolute(world).lexically_normal().parent_path().filename().string();
    const std::string folder = "runs/" + name + "-" + stamp;
    std::string candidate = folder;
    for (int n = 2; std::filesystem::exists(candidate); ++n) candidate = folder + "-" + std::to_string(n);
    return candidate;
}

int report(const std::string& folder) {
    try {
        std::cout << arena::write_report(folder).string() << "\n";
        return status(arena::RunStatus::completed);
    } catch (const std::exception& e) {
        std::cerr << "arena: " << folder << ": " << e.what() << "\n";
        return status(arena::RunStatus::bad_world);
    }
}

// The recording is whole by now; a report that cannot be written is said,
// but does not change how the run ended. Where a folder the arena chose is,
// the user is told.
void finish_recording(const std::string& folder, bool with_report, bool chosen_here) {
    if (with_report) {
        try {
            arena::write_report(folder);
        } catch (const std::exception& e) {
            std::cerr << "arena: no report for " << folder << ": " << e.what() << "\n";
            with_report = false;
        }
    }
    if (chosen_here) {
        std::cerr << "arena: recording in " << folder << (with_report ? " (open report.html to see the run)" : "")
                  << "\n";
    }
}

// A run that cannot start still leaves its --summary, saying why, so that
// whoever ran it (a sweep among them) has the failure in the same place as
// any other outcome.
void summary_of_no_run(const RunArgs& a, arena::RunStatus outcome, const std::string& error) {
    if (a.summary.empty()) return;
    nlohmann::json sets = nlohmann::json::array();
    for (const std::string& s : a.sets) sets.push_back(arena::json_text(s));
    try {
        arena::write_json_file(a.summary, {{"world", arena::json_text(a.world)},
                                           {"overrides", std::move(sets)},
                                           {"status", status(outcome)},
                                           {"error", arena::json_text(error)},
                                           {"figures", nlohmann::json::object()}});
    } catch (const std::exception& e) {
        std::cerr << "arena: the summary could not be written: " << e.what() << "\n";
    }
}

int run(RunArgs a) {
    // Before any controller starts, so that every child inherits the mask
    // it then resets, and an early Ctrl-C still ends the run cleanly.
    std::optional<arena::Interrupts> interrupts;
    interrupts.emplace();
    signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<arena::World> world;
    arena::RunOptions options;
    std::unique_ptr<arena::TerminalKeys> terminal;
    std::unique_ptr<arena::Recorder> recorder;
    bool default_folder = false;
    try {
        world = arena::load_world(a.world, arena::own_folder(), parse_overrides(a.sets));
        options.duration = a.duration.value_or(world->manifest.duration);
        options.seed = a.seed.value_or(world->manifest.seed);
        options.realtime = a.realtime || a.interactive;
        options.step_timeout = a.step_timeout.value_or(world->manifest.step_timeout);
        options.keys.add(world->manifest.keys);
        options.summary_file = a.summary;
        if (!a.keys.empty()) options.keys.add(arena::read_keys_file(a.keys, world->manifest));
        if (a.interactive) {
            terminal = std::make_unique<arena::TerminalKeys>();
            options.terminal = terminal.get();
        }
        default_folder = a.record.empty() && !a.no_record;
        if (default_folder) a.record = default_record_folder(a.world);
        if (!a.record.empty()) recorder = std::make_unique<arena::Recorder>(a.record, *world, a.overwrite);
    } catch (const arena::RecordWriteError& e) {
        std::cerr << "arena: the recording could not be written: " << e.what() << "\n";
        summary_of_no_run(a, arena::RunStatus::recording_failed, e.what());
        return status(arena::RunStatus::recording_failed);
    } catch (const std::runtime_error& e) {  // WorldError among them
        std::cerr << "arena: " << e.what() << "\n";
        summary_of_no_run(a, arena::RunStatus::bad_world, e.what());
        return status(arena::RunStatus::bad_world);
    }
    arena::Display display(isatty(2) != 0);
    arena::Simulation simulation(*world, std::move(options), display, *interrupts, recorder.get());
    const arena::RunStatus outcome = simulation.run();
    interrupts.reset();  // from here on Ctrl-C ends the arena at once, report or not
    if (recorder) {
        recorder.reset();  // closes every file of the recording
        // An interrupted user wants the arena gone at once; the recording is
        // whole, and the report can be written from it later.
        const bool with_report =
            !a.no_report && outcome != arena::RunStatus::interrupted && outcome != arena::RunStatus::recording_failed;
        finish_recording(a.record, with_report, default_folder);
        if (outcome == arena::RunStatus::interrupted && !a.no_report) {
            std::cerr << "arena: interrupted; `arena report " << a.record << "` writes its report\n";
        }
    }
    return status(outcome);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "arena: a headless robot simulator. It loads a world (a folder holding world.toml and its\n"
        "MJCF scene), starts each robot's controller program and runs them in lock-step with the\n"
        "physics. Controllers named in world.toml are found beside the arena binary, or relative to\n"
        "the world folder when the name holds a '/'."};
    app.footer(
        "Exit status: 0 the run completed; 1 a controller failed (exited non-zero, crashed, broke its\n"
        "link, did not answer in time, or ended before the run did); 2 bad usage or a bad world (its\n"
        "physics breaking down included); 3 the recording could not be written (a full disk); 4 the\n"
        "arena itself failed; 130 interrupted (SIGINT, SIGTERM, SIGHUP).\n"
        "Controller output is shown as [robot] text on standard output; the arena's own reports\n"
        "go to standard error.");
    app.require_subcommand(1);

    RunArgs a;
    CLI::App* run_cmd = app.add_subcommand("run", "Run a world");
    run_cmd->add_option("WORLD", a.world, "World folder holding world.toml")->required();
    run_cmd->add_option("--duration", a.duration, "Simulated seconds to run (default: the world's duration)")
        ->check([](const std::string& v) {
            return finite_in(std::strtod(v.c_str(), nullptr), 0.0, true, arena::kMaxDuration);
        });
    run_cmd->add_option("--record", a.record,
                        "Write the recording into this folder (created if missing; default: runs/WORLD-DATE-TIME)");
    run_cmd->add_flag("--no-record", a.no_record, "Keep no recording (for timing runs)")->excludes("--record");
    run_cmd->add_flag("--no-report", a.no_report, "Record, but write no report.html");
    run_cmd->add_option("--seed", a.seed, "Seed of the sensor noise (default: the world's seed, or 1)")
        ->check([](const std::string& v) {
            const bool digits = !v.empty() && v.size() <= 19 && v.find_first_not_of("0123456789") == std::string::npos;
            return digits && std::stoull(v) <= std::uint64_t(INT64_MAX) ? std::string()
                                                                        : "must be a whole number from 0 to 2^63-1";
        });
    run_cmd->add_flag("--overwrite", a.overwrite, "Let --record replace a recording already in its folder");
    run_cmd
        ->add_option("--step-timeout", a.step_timeout,
                     "Wall-clock seconds a controller has to answer a step before it is ended (default: the "
                     "world's step_timeout, or 10; 0: no limit, for debugging a controller)")
        ->check([](const std::string& v) {
            return finite_in(std::strtod(v.c_str(), nullptr), 0.0, false, arena::kMaxDuration);
        });
    run_cmd->add_option("--keys", a.keys, "TOML file of [[keys]] tables: scripted keys, added to the world's");
    run_cmd->add_flag("--interactive", a.interactive, "Keys from the terminal (arrows, letters); implies --realtime");
    run_cmd->add_flag("--realtime", a.realtime, "Pace the run to the wall clock (default: as fast as possible)");
    constexpr const char* kSetHelp =
        "Change the world for this run without editing it (repeatable): seed=7, duration=60, "
        "robot.NAME.KEY=V, robot.NAME.device.DEV.KEY=V, wind.BODY.KEY=V (mean, gust, time_scale), "
        "scene.TAG.NAME.ATTR=V, scene.inertial.BODY.ATTR=V, scene.option.ATTR=V. V is a TOML value for "
        "world.toml's keys, the attribute's text for the scene's (docs/sweeps.md)";
    run_cmd->add_option("--set", a.sets, kSetHelp)->take_all()->allow_extra_args(false);
    run_cmd->add_option("--summary", a.summary,
                        "Also write the run's summary (as the recording's summary.json) to this file, "
                        "with or without a recording");

    std::string report_folder;
    CLI::App* report_cmd = app.add_subcommand("report", "Write report.html, a self-contained page of a recorded run");
    report_cmd->add_option("DIR", report_folder, "Recording folder (as written by run --record)")->required();

    std::string check_world;
    std::vector<std::string> check_sets;
    CLI::App* check_cmd = app.add_subcommand("check", "Load and validate a world; run nothing");
    check_cmd->add_option("WORLD", check_world, "World folder holding world.toml")->required();
    check_cmd->add_option("--set", check_sets, "Change the world as `run --set` does, and check the result")
        ->take_all()
        ->allow_extra_args(false);

    arena::sweep::Options sweep_options;
    CLI::App* sweep_cmd = arena::sweep::add_command(app, sweep_options);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return status(arena::RunStatus::bad_world);
    }
    // Whatever escapes the commands is the arena's own failure: said in one
    // line, with its documented status, never an abort.
    try {
        if (*check_cmd) return check(check_world, check_sets);
        if (*report_cmd) return report(report_folder);
        if (*sweep_cmd) return arena::sweep::run_command(sweep_options);
        return run(a);
    } catch (const std::exception& e) {
        std::cerr << "arena: the arena failed: " << e.what() << "\n";
        return status(arena::RunStatus::arena_failed);
    }
}
