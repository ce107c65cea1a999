// Controllers that attack the arena the way careless or broken programs do,
// chosen by the robot's name, so the supervision tests can watch the arena
// stay in charge:
//   "forker"    forks a child that keeps the link open, then exits
//   "escaper"   starts a grandchild in a new session that would outlive it
//   "silent"    says hello, then never steps
//   "spinner"   loops for ever inside its 3rd step
//   "halfframe" writes half a frame into its lane in its 3rd step, then waits
//   "corrupt"   breaks its lane's ring counters in its 3rd step
//   "stopper"   looks at its large camera every step and stops itself
//               (SIGSTOP) in its 3rd, with an image unread
//   "latin1"    prints and emits text that is not UTF-8 (Latin-1 "ete"
//               with accents) every step
// Each prints "pid N" first, N as the tests see it: the controller runs in a
// PID namespace of its own, where getpid() says something else.
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "controller.h"
#include "link/lane.h"
#include "link/messages.h"

namespace {

char* lane_base;  // mapped before the library takes the lane

void say_pid(const char* who) {
    char self[32] = {0};
    if (readlink("/proc/self", self, sizeof self - 1) < 0) std::snprintf(self, sizeof self, "%d", int(getpid()));
    std::printf("%s %s\n", who, self);
    std::fflush(stdout);
}

void map_lane() {
    const char* fd = std::getenv(arena::link::kLaneFdVariable);
    struct stat st {};
    if (!fd || fstat(std::atoi(fd), &st) != 0) return;
    void* base = mmap(nullptr, std::size_t(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, std::atoi(fd), 0);
    if (base != MAP_FAILED) lane_base = static_cast<char*>(base);
}

// The ring the controller writes: the lane's second, after a 16-byte header
// aligned to 64.
arena::link::RingState& outgoing_ring() { return reinterpret_cast<arena::link::RingState*>(lane_base + 64)[1]; }

void wake_arena() {
    const char* fd = std::getenv(arena::link::kLinkFdVariable);
    const char one = 1;
    if (fd) send(std::atoi(fd), &one, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void write_half_frame() {
    arena::link::RingState& ring = outgoing_ring();
    std::uint8_t* bytes = reinterpret_cast<std::uint8_t*>(lane_base) + 4096 + arena::link::Lane::kRingBytes;
    const std::uint64_t head = ring.head.load();
    const std::uint8_t header_start[3] = {16, 0, 0};  // a frame's length, cut short
    for (std::uint64_t i = 0; i < 3; ++i) bytes[(head + i) % arena::link::Lane::kRingBytes] = header_start[i];
    ring.head.store(head + 3);
    wake_arena();
}

void corrupt_lane() {
    arena::link::RingState& ring = outgoing_ring();
    ring.head.store(ring.tail.load() + (std::uint64_t{1} << 40));
    wake_arena();
}

void start_escaper() {
    if (fork() != 0) return;
    setsid();
    if (fork() != 0) _exit(0);
    say_pid("grandchild");
    for (;;) pause();
}

void reset() { say_pid("pid"); }

}  // namespace

int main() {
    map_lane();
    robot_live(reset);
    const std::string name = robot_get_name();
    const DeviceTag camera = robot_get_device("camera");
    if (camera) camera_enable(camera, 64);
    const DeviceTag emitter = robot_get_device("emitter");
    if (name == "escaper") start_escaper();
    if (name.rfind("linger", 0) == 0) {  // robot_step exits on STOP: linger on the way out
        static unsigned linger_ms = unsigned(std::atoi(name.c_str() + 6));
        std::atexit([] { usleep(linger_ms * 1000); });
    }
    if (name == "silent") {
        for (;;) pause();
    }
    for (int step = 1;; ++step) {
        if (camera) camera_get_image(camera);
        if (name == "latin1") {
            static const char ete[] = "\xe9t\xe9";  // with its terminating zero
            emitter_send(emitter, ete, sizeof ete);
            robot_console_print("caf\xe9 \xff\n");
            std::printf("na\xefve\n");
            std::fflush(stdout);
        }
        if (step == 3) {
            if (name == "spinner") {
                static volatile unsigned long spins;
                for (;;) spins = spins + 1;
            }
            if (name == "halfframe") {
                write_half_frame();
                for (;;) pause();
            }
            if (name == "corrupt") corrupt_lane();
            if (name == "stopper") raise(SIGSTOP);
            if (name == "forker") {
                int said[2];
                if (pipe(said) != 0) std::exit(2);
                if (fork() == 0) {
                    say_pid("child");
                    [[maybe_unused]] ssize_t n = write(said[1], "!", 1);
                    for (;;) pause();
                }
                char c;
                [[maybe_unused]] ssize_t n = read(said[0], &c, 1);  // the child's pid is out first
                std::exit(0);
            }
        }
        robot_step(64);
    }
}
