#include "arena/process/controller_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "link/messages.h"

extern char** environ;

namespace arena {
namespace {

// Where the controller finds its descriptors, and where its exec failure is
// reported (close on exec: it closes when exec succeeds).
constexpr int kChildLinkFd = 3;
constexpr int kChildLaneFd = 4;
constexpr int kChildReportFd = 5;

std::string isolation_refused;  // why the kernel refused a namespace, once
bool isolation_said = false;

std::runtime_error system_error(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

struct PipePair {
    UniqueFd read, write;
};

PipePair make_pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw system_error("pipe");
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// Above the descriptors the controller places, so that placing one cannot
// overwrite another.
UniqueFd placed_high(int fd) {
    UniqueFd high(fcntl(fd, F_DUPFD_CLOEXEC, kChildReportFd + 1));
    if (!high) throw system_error("placing a descriptor for the controller");
    return high;
}

// fork() without glibc's handlers: safe between fork and exec however many
// threads the arena has, and it can also open a new PID namespace.
pid_t raw_fork(unsigned long flags) {
    return pid_t(syscall(SYS_clone, flags | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
}

// Everything the children need, built before the fork: they may not allocate.
struct Spawn {
    const char* program;
    char* const* argv;
    char* const* envp;
    int link, lane, out, err, report;   // the controller's
    int status;                         // the init's: the controller's wait status goes here
    int lifeline_read, lifeline_write;  // the pipe whose write end only the arena holds
};

// Runs in the controller between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_controller(const Spawn& s) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    int null = open("/dev/null", O_RDONLY);
    bool ok = null >= 0 && dup2(null, 0) == 0 && dup2(s.out, 1) == 1 && dup2(s.err, 2) == 2 &&
              dup2(s.link, kChildLinkFd) == kChildLinkFd;
    if (ok && s.link == kChildLinkFd) ok = fcntl(kChildLinkFd, F_SETFD, 0) == 0;
    ok = ok && dup2(s.lane, kChildLaneFd) == kChildLaneFd;
    int report = s.report;
    if (ok && report != kChildReportFd) {
        report = dup3(s.report, kChildReportFd, O_CLOEXEC) == kChildReportFd ? kChildReportFd : s.report;
    }
    if (ok) {
        // Everything else the arena holds stays behind, whatever its flags.
        close_range(kChildReportFd + 1, ~0u, 0);
        execve(s.program, s.argv, s.envp);
    }
    int e = errno;
    [[maybe_unused]] ssize_t n = write(report, &e, sizeof e);
    _exit(127);
}

// The first process of the controller's PID namespace: starts the
// controller, passes its wait status on to the arena, and ends with it, which
// makes the kernel kill whatever else lives in the namespace.
[[noreturn]] void run_init(const Spawn& s) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // Its end of the lifeline reads as ended once no arena holds the other:
    // the arena died before prctl took hold.
    close(s.lifeline_write);
    pollfd arena_gone{s.lifeline_read, POLLIN, 0};
    if (poll(&arena_gone, 1, 0) != 0) _exit(0);
    setpgid(0, 0);
    pid_t controller = raw_fork(0);
    if (controller == 0) exec_controller(s);
    if (controller < 0) {
        int e = errno;
        [[maybe_unused]] ssize_t n = write(s.report, &e, sizeof e);
        _exit(127);
    }
    close_range(0, unsigned(s.status) - 1, 0);
    close_range(unsigned(s.status) + 1, ~0u, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    while (true) {  // as init, every orphan of the namespace is reaped here
        int status = 0;
        pid_t w = waitpid(-1, &status, 0);
        if (w == controller) {
            [[maybe_unused]] ssize_t n = write(s.status, &status, sizeof status);
            _exit(0);
        }
        if (w < 0 && errno != EINTR) _exit(0);
    }
}

// The controller alone in a process group, for where namespaces are refused.
[[noreturn]] void run_in_group(const Spawn& s, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the arena died before prctl took hold
    setpgid(0, 0);
    exec_controller(s);
}

// A pipe whose write end only the arena holds, so that the init of a
// controller's namespace can tell whether the arena is still there.
const PipePair& lifeline() {
    static const PipePair pipe = make_pipe();
    return pipe;
}

}  // namespace

std::string ControllerProcess::isolation_note() {
    if (isolation_refused.empty() || isolation_said) return "";
    isolation_said = true;
    return "controllers run without a PID namespace of their own (" + isolation_refused +
           "): a process a controller starts in a new session can outlive the run";
}

ControllerProcess::ControllerProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                                     const std::vector<std::pair<std::string, std::string>>& env) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) throw system_error("socketpair");
    UniqueFd ours(sv[0]), theirs(sv[1]);
    PipePair out = make_pipe(), err = make_pipe(), report = make_pipe(), status = make_pipe();
    link::Lane lane = link::Lane::create();
    UniqueFd lane_fd = placed_high(lane.fd()), report_fd = placed_high(report.write.get());
    report.write.reset();

    std::string path = program.string();
    std::string link_var = std::string(link::kLinkFdVariable) + "=" + std::to_string(kChildLinkFd);
    std::string lane_var = std::string(link::kLaneFdVariable) + "=" + std::to_string(kChildLaneFd);
    // Whether an inherited variable is one the arena sets itself (same NAME=).
    auto sets = [](const char* e, const std::string& var) {
        return std::strncmp(e, var.c_str(), var.find('=') + 1) == 0;
    };
    std::vector<std::string> added{link_var, lane_var};
    for (const auto& [name, value] : env) added.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& var : added) replaced = replaced || sets(*e, var);
        if (!replaced) envp.push_back(*e);
    }
    for (std::string& var : added) envp.push_back(var.data());
    envp.push_back(nullptr);
    std::vector<std::string> arg_text(args);
    std::vector<char*> argv{path.data()};
    for (std::string& a : arg_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    const Spawn spawn{path.c_str(),       argv.data(),           envp.data(),           theirs.get(),
                      lane_fd.get(),      out.write.get(),       err.write.get(),       report_fd.get(),
                      status.write.get(), lifeline().read.get(), lifeline().write.get()};
    const pid_t parent = getpid();

    pid_ = raw_fork(CLONE_NEWPID);
    isolated_ = pid_ >= 0;
    if (pid_ == 0) run_init(spawn);
    if (pid_ < 0 && (errno == EPERM || errno == EINVAL || errno == ENOSPC || errno == EUSERS)) {
        if (isolation_refused.empty()) isolation_refused = std::strerror(errno);
        pid_ = raw_fork(0);
        if (pid_ == 0) run_in_group(spawn, parent);
    }
    if (pid_ < 0) throw system_error("fork");
    lane_.emplace(std::move(lane));
    setpgid(pid_, pid_);  // also here, so the group exists before we ever signal it
    exit_fd_ = UniqueFd(int(syscall(SYS_pidfd_open, pid_, 0)));
    link_ = std::move(ours);
    out_ = std::move(out.read);
    err_ = std::move(err.read);
    status_ = std::move(status.read);
    if (!exit_fd_) {
        wait(std::chrono::milliseconds(0));
        throw system_error("watching the controller (pidfd_open)");
    }
    theirs.reset();
    out.write.reset();
    err.write.reset();
    report_fd.reset();
    status.write.reset();

    int e = 0;
    ssize_t n;
    do n = read(report.read.get(), &e, sizeof e);
    while (n < 0 && errno == EINTR);
    if (n == sizeof e) {
        wait(std::chrono::milliseconds(0));
        std::error_code ec;
        if (e == ENOENT && std::filesystem::exists(program, ec)) {
            // The file is there: what exec could not find is its interpreter.
            throw std::runtime_error("cannot run " + path + ": the interpreter its #! line names does not exist");
        }
        errno = e;
        throw system_error("cannot run " + path);
    }
    fcntl(out_.get(), F_SETFL, O_NONBLOCK);
    fcntl(err_.get(), F_SETFL, O_NONBLOCK);
    fcntl(status_.get(), F_SETFL, O_NONBLOCK);
}

ControllerProcess::~ControllerProcess() {
    if (!exit_) wait(std::chrono::milliseconds(0));
}

std::vector<std::string> ControllerProcess::read_lines(Stream s) {
    UniqueFd& fd = s == Stream::out ? out_ : err_;
    LineJoiner& joiner = s == Stream::out ? out_lines_ : err_lines_;
    std::vector<std::string> lines;
    char buf[4096];
    // Bounded, so a controller that prints without end cannot hold the
    // arena here: what is left is read on the next turn.
    for (int reads = 0; fd && reads < 64; ++reads) {
        ssize_t n = read(fd.get(), buf, sizeof buf);
        if (n > 0) {
            for (auto& l : joiner.add({buf, std::size_t(n)})) lines.push_back(std::move(l));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {  // end of stream, or an error that ends it just the same
            fd.reset();
            for (auto& l : joiner.finish()) lines.push_back(std::move(l));
        }
    }
    return lines;
}

std::vector<std::string> ControllerProcess::finish(Stream s) {
    auto lines = read_lines(s);
    for (auto& l : (s == Stream::out ? out_lines_ : err_lines_).finish()) lines.push_back(std::move(l));
    return lines;
}

void ControllerProcess::reap() {
    // Anything the controller started goes with it: killing the init empties
    // its namespace; without one, the group goes. The group id cannot be
    // reused while the leader is a zombie, so kill first.
    kill(isolated_ ? pid_ : -pid_, SIGKILL);
    int status = 0;
    pid_t r;
    do r = waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    exit_ = ExitStatus::from_wait(status);
    int controller = 0;
    if (isolated_ && read(status_.get(), &controller, sizeof controller) == sizeof controller) {
        exit_ = ExitStatus::from_wait(controller);
    }
}

std::optional<ExitStatus> ControllerProcess::poll_exit() {
    if (exit_) return exit_;
    siginfo_t info{};
    if (waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_) reap();
    return exit_;
}

ExitStatus ControllerProcess::wait(std::chrono::milliseconds grace) {
    if (!exit_ && grace.count() > 0 && exit_fd_) {
        pollfd p{exit_fd_.get(), POLLIN, 0};
        int r;
        do r = poll(&p, 1, int(grace.count()));
        while (r < 0 && errno == EINTR);
    }
    if (!poll_exit()) {
        killed_ = true;
        reap();  // reap kills first
    }
    return *exit_;
}

}  // namespace arena
