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
#include <set>

#include <CLI/CLI.hpp>

#include "arena/live/live_hub.h"
#include "arena/live/live_page.h"
#include "arena/live/live_server.h"
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
    bool quiet = false;
    bool view = false;
    int port = 0;
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

// WORLD is the world folder, its world.toml, or the bare name of a world
// installed beside the arena (PREFIX/share/arena/worlds/NAME), so that an
// installed arena runs `arena run gate_course` from anywhere. A folder of
// that name here comes first.
std::string world_folder(const std::string& world) {
    const std::filesystem::path p(world);
    std::error_code ec;
    if (p.filename() == "world.toml" && std::filesystem::is_regular_file(p, ec))
        return p.has_parent_path() ? p.parent_path().string() : ".";
    if (world.find('/') != std::string::npos || std::filesystem::exists(p, ec)) return world;
    const std::filesystem::path installed = arena::own_folder() / ".." / "share" / "arena" / "worlds" / p;
    if (std::filesystem::is_regular_file(installed / "world.toml", ec)) return installed.lexically_normal().string();
    return world;
}

// The recording is whole by now; a report that cannot be written is said,
// but does not change how the run ended. The last line says where to look,
// by absolute path, so that it can be opened from anywhere.
void finish_recording(const std::string& folder, bool with_report) {
    const std::filesystem::path where = std::filesystem::absolute(folder).lexically_normal();
    if (with_report) {
        try {
            arena::write_report(folder);
        } catch (const std::exception& e) {
            std::cerr << "arena: no report for " << folder << ": " << e.what() << "\n";
            with_report = false;
        }
    }
    if (with_report) {
        std::cerr << "arena: report: " << (where / "report.html").string() << "\n";
    } else {
        std::cerr << "arena: recording in " << where.string() << "\n";
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
        // 0 with a person at the controls: until they stop it.
        if (options.duration == 0 && (a.view || a.interactive)) options.duration = arena::kMaxDuration;
        if (options.duration == 0)
            throw arena::WorldError("--duration 0 (until stopped) needs --view or --interactive");
        options.seed = a.seed.value_or(world->manifest.seed);
        options.realtime = a.realtime || a.interactive || a.view;
        options.step_timeout = a.step_timeout.value_or(world->manifest.step_timeout);
        options.keys.add(world->manifest.keys);
        options.keys.set_once(world->manifest.once_keys);
        options.summary_file = a.summary;
        if (!a.keys.empty()) options.keys.add(arena::read_keys_file(a.keys, world->manifest));
        if (a.interactive) {
            terminal = std::make_unique<arena::TerminalKeys>(
                std::set<int>(world->manifest.once_keys.begin(), world->manifest.once_keys.end()));
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
    // The server goes before the simulation does, so that its port is
    // closed by the time the arena says how the run ended.
    std::unique_ptr<arena::LiveHub> hub;
    std::unique_ptr<arena::LiveServer> server;
    if (a.view) {
        try {
            hub = std::make_unique<arena::LiveHub>();
            server = std::make_unique<arena::LiveServer>(*hub, arena::live_page_html(world->manifest.title), a.port);
        } catch (const std::runtime_error& e) {
            std::cerr << "arena: " << e.what() << "\n";
            return status(arena::RunStatus::bad_world);
        }
        options.live = hub.get();
        std::cerr << "arena: view at " << server->url() << "\n";
    }
    arena::Display display(isatty(2) != 0, a.quiet);
    arena::Simulation simulation(*world, std::move(options), display, *interrupts, recorder.get());
    const arena::RunStatus outcome = simulation.run();
    display.finish();
    server.reset();
    interrupts.reset();  // from here on Ctrl-C ends the arena at once, report or not
    const bool interrupted = outcome == arena::RunStatus::interrupted;
    const bool recorded = recorder != nullptr;
    if (recorded) {
        recorder.reset();  // closes every file of the recording
        // An interrupted user wants the arena gone at once; the recording is
        // whole, and the report can be written from it later.
        const bool with_report = !a.no_report && !interrupted && outcome != arena::RunStatus::recording_failed;
        // A world that broke down mid-run keeps its one line; where the
        // recording went is said when the run ended as a run does, or when
        // the arena chose the folder itself.
        const bool ran = outcome == arena::RunStatus::completed || outcome == arena::RunStatus::controller_failed;
        if (ran || default_folder) finish_recording(a.record, with_report);
    }
    if (interrupted && recorded && !a.no_report) {
        std::cerr << "arena: interrupted; `arena report "
                  << std::filesystem::absolute(a.record).lexically_normal().string() << "` writes its report\n";
    } else if (interrupted) {
        std::cerr << "arena: interrupted\n";
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
    app.set_version_flag("--version", "arena " ARENA_VERSION);

    RunArgs a;
    CLI::App* run_cmd = app.add_subcommand("run", "Run a world");
    run_cmd->footer(
        "Exit status: 0 the run completed and every controller stopped cleanly; 1 a controller failed\n"
        "(exited non-zero, crashed, broke its link, did not answer within the step timeout, or ended\n"
        "before the run did); 2 bad usage or a bad world (one line names the file and the robot or\n"
        "device at fault; its physics breaking down included); 3 the recording could not be written;\n"
        "4 the arena itself failed; 130 interrupted (SIGINT, SIGTERM, SIGHUP), the recording so far\n"
        "complete.\n"
        "On the terminal a robot's empty lines are left out and a repeated line is shown once, then\n"
        "with its count; the recording's console.log keeps every line. The last line names the report.");
    run_cmd->add_option("WORLD", a.world, "World folder, its world.toml, or the name of an installed world")
        ->required();
    run_cmd
        ->add_option("--duration", a.duration,
                     "Simulated seconds to run (default: the world's duration; 0 with --view or --interactive: "
                     "until stopped)")
        ->check([](const std::string& v) {
            const double d = std::strtod(v.c_str(), nullptr);
            if (d == 0) return std::string();  // until stopped; run() says whether that needs --view
            const std::string bad = finite_in(d, 0.0, true, arena::kMaxDuration);
            return bad.empty() ? bad : bad + " (or 0: until stopped, with --view or --interactive)";
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
    run_cmd->add_flag("--quiet", a.quiet, "Show only the arena's own lines, none of the robots'");
    run_cmd->add_flag("--view", a.view,
                      "Serve a live view of the run on 127.0.0.1 (its address, with a secret token, is printed on "
                      "standard error): watch, fly, pause and change speed from a browser; implies --realtime");
    run_cmd->add_option("--port", a.port, "Port of the live view (default 0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->needs("--view");
    constexpr const char* kSetHelp =
        "Change the world for this run without editing it (repeatable): seed=7, duration=60, "
        "robot.NAME.KEY=V, robot.NAME.device.DEV.KEY=V, wind.BODY.KEY=V (mean, gust, time_scale), "
        "scene.TAG.NAME.ATTR=V, scene.inertial.BODY.ATTR=V, scene.option.ATTR=V. V is a TOML value for "
        "world.toml's keys, the attribute's text for the scene's (docs/sweeps.md)";
    run_cmd->add_option("--set", a.sets, kSetHelp)->take_all()->allow_extra_args(false);
    // Its folder is checked before the run, not found missing at its end.
    run_cmd
        ->add_option("--summary", a.summary,
                     "Also write the run's summary (as the recording's summary.json) to this file, "
                     "with or without a recording")
        ->check([](const std::string& v) {
            const std::filesystem::path folder = std::filesystem::absolute(v).parent_path();
            std::error_code ec;
            return std::filesystem::is_directory(folder, ec) ? std::string() : "no folder " + folder.string();
        });

    std::string report_folder;
    CLI::App* report_cmd = app.add_subcommand("report", "Write report.html, a self-contained page of a recorded run");
    report_cmd->footer(
        "Prints the page's path. Exit status: 0 written; 2 bad usage, or a recording that cannot be\n"
        "read (one line names the file); 4 the arena itself failed.");
    report_cmd->add_option("DIR", report_folder, "Recording folder (as written by run --record)")->required();

    std::string check_world;
    std::vector<std::string> check_sets;
    CLI::App* check_cmd = app.add_subcommand("check", "Load and validate a world; run nothing");
    check_cmd->footer(
        "Exit status: 0 the world is good (one line says so); 2 bad usage or a bad world (one line\n"
        "names the file, the line and the robot or device at fault); 4 the arena itself failed.");
    check_cmd->add_option("WORLD", check_world, "World folder, its world.toml, or the name of an installed world")
        ->required();
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
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return status(arena::RunStatus::bad_world);
    }
    // Whatever escapes the commands is the arena's own failure: said in one
    // line, with its documented status, never an abort.
    try {
        a.world = world_folder(a.world);
        if (*check_cmd) return check(world_folder(check_world), check_sets);
        if (*report_cmd) return report(report_folder);
        if (*sweep_cmd) return arena::sweep::run_command(sweep_options);
        return run(a);
    } catch (const std::exception& e) {
        std::cerr << "arena: the arena failed: " << e.what() << "\n";
        return status(arena::RunStatus::arena_failed);
    }
}
