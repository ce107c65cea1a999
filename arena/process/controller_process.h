// One controller program, running: its process, its end of the link, and
// the pipes of its standard output and error. Destroying it kills and reaps
// the process, so no path out of the arena leaves a zombie or an orphan.
//
// Each controller runs as the only child of a tiny init of its own: the
// first process of a new PID namespace, which the kernel empties when that
// init ends. The init ends when the controller does, or when the arena does
// (it is killed with the arena), so nothing a controller starts outlives it,
// not even a grandchild that called setsid. Where the kernel refuses a new
// namespace (no privilege), the controller runs in a process group of its
// own instead, which a setsid escapes; isolation_note() then says so once.
#ifndef ARENA_PROCESS_CONTROLLER_PROCESS_H
#define ARENA_PROCESS_CONTROLLER_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "arena/process/exit_status.h"
#include "arena/process/line_joiner.h"
#include "arena/process/unique_fd.h"
#include "link/lane.h"

namespace arena {

enum class Stream { out, err };

class ControllerProcess {
public:
    // Starts the program with its end of a socket pair named by
    // ARENA_LINK_FD, the lane beside it named by ARENA_LANE_FD, and nothing
    // else open but the pipes and /dev/null as standard input. Throws
    // std::runtime_error if it cannot be started, exec's own error included
    // ("cannot run PATH: Exec format error"). `args` follow the program's
    // name in its argv; `env` is added to the arena's own environment, a
    // name it already has taking the new value.
    explicit ControllerProcess(const std::filesystem::path& program, const std::vector<std::string>& args = {},
                               const std::vector<std::pair<std::string, std::string>>& env = {});
    ~ControllerProcess();
    ControllerProcess(const ControllerProcess&) = delete;
    ControllerProcess& operator=(const ControllerProcess&) = delete;

    int link_fd() const { return link_.get(); }
    // The lane the controller shares, for the arena's end of the link; once.
    link::Lane take_lane() { return std::move(*std::exchange(lane_, std::nullopt)); }
    // -1 once the stream has reached its end.
    int stream_fd(Stream s) const { return (s == Stream::out ? out_ : err_).get(); }
    // Readable once the controller has ended, whatever still holds its link.
    int exit_fd() const { return exit_fd_.get(); }

    // Reads what the stream holds now, without blocking, and returns the
    // whole lines; at its end, the unfinished line too.
    std::vector<std::string> read_lines(Stream s);
    // The unfinished lines of both streams, for when the process is gone.
    std::vector<std::string> finish(Stream s);

    // Closes the arena's end of the link (the controller sees the end).
    void close_link() { link_.reset(); }

    // The exit, if the process has ended; reaps it (and kills anything it
    // left behind). Never blocks.
    std::optional<ExitStatus> poll_exit();
    // Waits up to `grace` for the process to end, then kills it and all it
    // started; reaps it and returns how it ended.
    ExitStatus wait(std::chrono::milliseconds grace);
    std::optional<ExitStatus> exit() const { return exit_; }
    // Whether wait() had to kill it: it had not ended by itself.
    bool killed() const { return killed_; }

    // Once per arena, when controllers run without a PID namespace of their
    // own: why, in one line. Empty otherwise.
    static std::string isolation_note();

private:
    void reap();

    pid_t pid_ = -1;  // the init of the controller's namespace, or the controller itself
    bool isolated_ = false;
    bool killed_ = false;
    UniqueFd link_, out_, err_, exit_fd_, status_;
    std::optional<link::Lane> lane_;
    LineJoiner out_lines_, err_lines_;
    std::optional<ExitStatus> exit_;
};

}  // namespace arena

#endif
