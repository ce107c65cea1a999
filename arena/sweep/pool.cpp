#include "arena/sweep/pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "arena/process/unique_fd.h"
#include "arena/run/interrupts.h"

namespace arena::sweep {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    std::size_t index;
    pid_t pid;
    UniqueFd exit_fd;  // a pidfd: readable once the child has ended
    Clock::time_point start;
};

[[noreturn]] void exec_child(const std::filesystem::path& program, const Job& job) {
    // Its own process group, so a Ctrl-C on the terminal reaches the sweep
    // alone, which then ends each run itself; and it ends with the sweep.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open("/dev/null", O_WRONLY);
    const int err = open(job.stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    std::string name = program.string();
    argv.push_back(name.data());
    std::vector<std::string> args = job.args;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    const char* why = strerror(errno);
    (void)!write(2, "arena: cannot start the run: ", 29);
    (void)!write(2, why, strlen(why));
    (void)!write(2, "\n", 1);
    _exit(127);
}

Child start(const std::filesystem::path& program, const Job& job) {
    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("cannot start a run: fork: ") + strerror(errno));
    if (pid == 0) exec_child(program, job);
    setpgid(pid, pid);  // also here, so that the group exists before any kill
    UniqueFd fd(int(syscall(SYS_pidfd_open, pid, 0)));
    if (!fd) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        throw std::runtime_error(std::string("cannot watch a run: pidfd_open: ") + strerror(errno));
    }
    return {job.index, pid, std::move(fd), t0};
}

Finished reap(Child& c) {
    int st = 0;
    while (waitpid(c.pid, &st, 0) < 0 && errno == EINTR) {
    }
    Finished f;
    f.index = c.index;
    f.wall_time = std::chrono::duration<double>(Clock::now() - c.start).count();
    if (WIFEXITED(st)) {
        f.status = WEXITSTATUS(st);
    } else {
        f.status = -1;
        const char* name = sigabbrev_np(WTERMSIG(st));
        f.signal = name ? std::string("SIG") + name : "signal " + std::to_string(WTERMSIG(st));
    }
    return f;
}

// Each run ends the way a Ctrl-C ends `arena run`: its controllers stopped,
// then the run. One that has not ended after five seconds is killed.
void end_all(std::vector<Child>& running) {
    for (Child& c : running) kill(-c.pid, SIGTERM);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    for (Child& c : running) {
        pollfd p{c.exit_fd.get(), POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (poll(&p, 1, int(std::max<long long>(left, 0))) <= 0) kill(-c.pid, SIGKILL);
        reap(c);
    }
    running.clear();
}

bool run_all(const std::filesystem::path& program, std::size_t at_once, const std::vector<Job>& jobs,
             const std::function<void(const Finished&)>& done, const std::function<void()>& tick,
             Interrupts& interrupts, std::vector<Child>& running) {
    std::size_t next = 0;
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && running.size() < at_once) running.push_back(start(program, jobs[next++]));
        std::vector<pollfd> fds = {{interrupts.fd(), POLLIN, 0}};
        for (const Child& c : running) fds.push_back({c.exit_fd.get(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), 200) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
        if (interrupts.raised()) {
            end_all(running);
            return false;
        }
        for (std::size_t i = running.size(); i-- > 0;) {
            if (!(fds[i + 1].revents & (POLLIN | POLLHUP))) continue;
            const Finished f = reap(running[i]);
            running.erase(running.begin() + std::ptrdiff_t(i));
            done(f);
        }
        tick();
    }
    return true;
}

}  // namespace

std::filesystem::path own_program() { return std::filesystem::read_symlink("/proc/self/exe"); }

Pool::Pool(std::filesystem::path program, int jobs) : program_(std::move(program)), jobs_(std::max(jobs, 1)) {
    // A run keeps two processes busy, the arena and its controller, and each
    // watches the shared lane for the other's turn. With more of them than
    // cores, a side that watches takes the core from the one it waits for
    // (40 flights on two cores: 4.2 s one at a time, 10 s two at a time
    // watching, 3.2 s two at a time sleeping), so such runs sleep at once.
    // A user's own ARENA_SPIN_US wins.
    if (2u * unsigned(jobs_) > std::max(1u, std::thread::hardware_concurrency())) {
        setenv("ARENA_SPIN_US", "0", /*overwrite=*/0);
    }
}

bool Pool::run(const std::vector<Job>& jobs, const std::function<void(const Finished&)>& done,
               const std::function<void()>& tick) {
    Interrupts interrupts;
    std::vector<Child> running;
    try {
        return run_all(program_, std::size_t(jobs_), jobs, done, tick, interrupts, running);
    } catch (...) {
        end_all(running);  // a sweep that cannot go on leaves no run behind
        throw;
    }
}

}  // namespace arena::sweep
