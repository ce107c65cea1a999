#include "arena/process/controller_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "link/messages.h"

extern char** environ;

namespace arena {
namespace {

constexpr int kChildLinkFd = 3;
constexpr int kChildLaneFd = 4;

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

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_child(const char* program, char* const argv[], char* const envp[], int link, int lane,
                             int out, int err, int report, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the arena died before prctl took hold
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);

    int null = open("/dev/null", O_RDONLY);
    bool ok = null >= 0 && dup2(null, 0) == 0 && dup2(out, 1) == 1 && dup2(err, 2) == 2 &&
              dup2(link, kChildLinkFd) == kChildLinkFd;
    if (ok && link == kChildLinkFd) ok = fcntl(kChildLinkFd, F_SETFD, 0) == 0;
    ok = ok && dup2(lane, kChildLaneFd) == kChildLaneFd;  // lane > kChildLaneFd: see the constructor
    if (ok) {
        // Everything else the arena holds stays behind, whatever its flags.
        close_range(kChildLaneFd + 1, ~0u, 0);
        execve(program, argv, envp);
    }
    int e = errno;
    [[maybe_unused]] ssize_t n = write(report, &e, sizeof e);
    _exit(127);
}

}  // namespace

ControllerProcess::ControllerProcess(const std::filesystem::path& program) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) throw system_error("socketpair");
    UniqueFd ours(sv[0]), theirs(sv[1]);
    PipePair out = make_pipe(), err = make_pipe(), report = make_pipe();
    link::Lane lane = link::Lane::create();
    // Above the descriptors the child places, so placing the link cannot
    // overwrite it.
    UniqueFd lane_fd(fcntl(lane.fd(), F_DUPFD_CLOEXEC, kChildLaneFd + 1));
    if (!lane_fd) throw system_error("placing the lane");

    // Everything the child needs is built before fork: it may not allocate.
    std::string path = program.string();
    std::string link_var = std::string(link::kLinkFdVariable) + "=" + std::to_string(kChildLinkFd);
    std::string lane_var = std::string(link::kLaneFdVariable) + "=" + std::to_string(kChildLaneFd);
    // Whether an inherited variable is one the arena sets itself (same NAME=).
    auto sets = [](const char* e, const std::string& var) { return std::strncmp(e, var.c_str(), var.find('=') + 1) == 0; };
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        if (!sets(*e, link_var) && !sets(*e, lane_var)) envp.push_back(*e);
    }
    envp.push_back(link_var.data());
    envp.push_back(lane_var.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{path.data(), nullptr};
    pid_t parent = getpid();

    pid_ = fork();
    if (pid_ < 0) throw system_error("fork");
    if (pid_ == 0) {
        exec_child(path.c_str(), argv.data(), envp.data(), theirs.get(), lane_fd.get(), out.write.get(),
                   err.write.get(), report.write.get(), parent);
    }
    lane_.emplace(std::move(lane));
    setpgid(pid_, pid_);  // also here, so the group exists before we ever signal it
    link_ = std::move(ours);
    out_ = std::move(out.read);
    err_ = std::move(err.read);
    theirs.reset();
    out.write.reset();
    err.write.reset();
    report.write.reset();

    int e = 0;
    ssize_t n;
    do n = read(report.read.get(), &e, sizeof e);
    while (n < 0 && errno == EINTR);
    if (n == sizeof e) {
        wait(std::chrono::milliseconds(0));
        errno = e;
        throw system_error("cannot run " + path);
    }
    fcntl(out_.get(), F_SETFL, O_NONBLOCK);
    fcntl(err_.get(), F_SETFL, O_NONBLOCK);
}

ControllerProcess::~ControllerProcess() {
    if (!exit_) wait(std::chrono::milliseconds(0));
}

std::vector<std::string> ControllerProcess::read_lines(Stream s) {
    UniqueFd& fd = s == Stream::out ? out_ : err_;
    LineJoiner& joiner = s == Stream::out ? out_lines_ : err_lines_;
    std::vector<std::string> lines;
    char buf[4096];
    while (fd) {
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
    // Anything the controller started in its group goes with it; the group
    // id cannot be reused while the leader is a zombie, so kill first.
    kill(-pid_, SIGKILL);
    int status = 0;
    pid_t r;
    do r = waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    exit_ = ExitStatus::from_wait(status);
}

std::optional<ExitStatus> ControllerProcess::poll_exit() {
    if (exit_) return exit_;
    siginfo_t info{};
    if (waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_) reap();
    return exit_;
}

ExitStatus ControllerProcess::wait(std::chrono::milliseconds grace) {
    auto deadline = std::chrono::steady_clock::now() + grace;
    while (!poll_exit() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!exit_) reap();  // reap kills the group first
    return *exit_;
}

}  // namespace arena
