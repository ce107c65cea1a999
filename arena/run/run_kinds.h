// The kinds a run reports, with the names the recording and the console use:
// where a robot's line came from, how a controller ended, how the run ended.
#ifndef ARENA_RUN_RUN_KINDS_H
#define ARENA_RUN_RUN_KINDS_H

namespace arena {

enum class LineStream { console, out, err, arena };

constexpr const char* name_of(LineStream s) {
    switch (s) {
    case LineStream::console: return "console";
    case LineStream::out: return "stdout";
    case LineStream::err: return "stderr";
    case LineStream::arena: return "arena";
    }
    return "?";
}

// How a controller ended. Only `stopped` is a clean end: told to stop at the
// end of the run, it did. `failed`: the arena ended it (it broke the link or
// did not answer in time).
enum class ExitHow { stopped, exited, signal, failed };

constexpr const char* name_of(ExitHow how) {
    switch (how) {
    case ExitHow::stopped: return "stopped";
    case ExitHow::exited: return "exited";
    case ExitHow::signal: return "signal";
    case ExitHow::failed: return "failed";
    }
    return "?";
}

// The exit status of `arena run`, and what each means (docs/running.md's table).
enum class RunStatus : int {
    completed = 0,          // the run completed and every controller stopped cleanly
    controller_failed = 1,  // a controller exited, crashed, broke its link or did not answer
    bad_world = 2,          // bad usage, a bad world, or a world whose physics broke down
    recording_failed = 3,   // the recording could not be written (a full disk, an I/O error)
    arena_failed = 4,       // the arena itself failed; summary.json says how
    interrupted = 130,      // SIGINT, SIGTERM or SIGHUP
};

}  // namespace arena

#endif
