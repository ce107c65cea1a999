// link_roundtrip: what one controller step costs on the link.
//
// Two processes on a socket pair, as arena and a controller are. The link
// round trip sends a STEP with an airship's usual commands (force and
// torque, a console line) and answers with SENSORS holding a GPS matrix,
// two distance readings and two keys, each side encoding, sending,
// receiving and decoding with the link library. The raw round trip moves
// the same byte counts with plain write/read. A third figure runs the same
// step through the Controller library itself (robot_step with the same
// commands, in a forked controller), which adds the library's own work
// (queueing, flushing stdio, caching samples). A fourth sends the link's
// frames through a lane (shared memory beside the socket), as the arena
// does with the controllers it starts. Run by hand:
//
//   build/bin/link_roundtrip [ROUND_TRIPS]
//
// It prints both per round trip, best of several rounds, and their ratio
// (the link's budget is at most 1.5 times the raw round trip).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "controller.h"
#include "link/channel.h"
#include "link/messages.h"

using namespace arena::link;

namespace {

Step airship_step() {
    Step s;
    s.ms = 32;
    s.force_torque = std::array<float, 6>{0.12f, 2.4525f, -0.03f, 0.001f, -0.02f, 0.004f};
    s.console = "Puerta 2 superada\n";
    return s;
}

Sensors airship_sensors(double t) {
    Sensors s;
    s.time = t;
    s.distances = {{3, 412}, {4, 398}};
    s.gps = {{2, {0.98f, 0, 0.2f, 0, 0, 1, 0, 0, -0.2f, 0, 0.98f, 0, 1.5f, 2.1f, -3.2f, 1}}};
    s.keys = {80, 317};
    return s;
}

template <class M>
std::size_t frame_bytes(const M& m) {
    std::vector<std::uint8_t> out;
    encode(m, out);
    return kFrameHeaderBytes + out.size();
}

void write_all(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w <= 0) std::exit(1);
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

bool read_all(int fd, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::read(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// The arena's half: answers every STEP with SENSORS until the link closes.
void link_arena(Channel& ch) {
    double t = 0;
    while (auto f = ch.receive()) {
        Step st = decode_step(f->payload);
        t += st.ms / 1000.0;
        ch.send(airship_sensors(t));
    }
}

void raw_arena(int fd, std::size_t in, std::size_t out) {
    std::vector<std::uint8_t> buf(std::max(in, out), 1);
    while (read_all(fd, buf.data(), in)) write_all(fd, buf.data(), out);
}

// Microseconds per round trip over n round trips, the controller's half.
double link_controller(Channel& ch, int n) {
    Step st = airship_step();
    float sink = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        ch.send(st);
        auto f = ch.receive();
        if (!f) std::exit(1);
        sink += decode_sensors(f->payload).gps[0].matrix[12];
    }
    auto end = std::chrono::steady_clock::now();
    if (sink == 0) std::puts("");  // keep the decode from being optimised away
    return std::chrono::duration<double, std::micro>(end - start).count() / n;
}

double raw_controller(int fd, int n, std::size_t out, std::size_t in) {
    std::vector<std::uint8_t> buf(std::max(in, out), 1);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        write_all(fd, buf.data(), out);
        if (!read_all(fd, buf.data(), in)) std::exit(1);
    }
    auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(end - start).count() / n;
}

// The controller half through the library: what a program's loop costs.
[[noreturn]] void library_controller(int fd) {
    setenv(kLinkFdVariable, std::to_string(fd).c_str(), 1);
    robot_live(nullptr);
    for (;;) {
        custom_robot_set_rel_force_and_torque(0.12f, 2.4525f, -0.03f, 0.001f, -0.02f, 0.004f);
        robot_console_print("Puerta 2 superada\n");
        robot_step(32);  // ends the process when the arena says STOP
    }
}

// The arena half for it, timing n round trips after the handshake.
double library_arena(int fd, int n) {
    Channel ch(fd);
    if (!ch.receive()) std::exit(1);
    Welcome w;
    w.robot_name = "airship";
    w.devices = {{1, "camera", DeviceType::camera},
                 {2, "gps", DeviceType::gps},
                 {3, "ds0", DeviceType::distance_sensor},
                 {4, "ds1", DeviceType::distance_sensor}};
    w.sensors = airship_sensors(0);
    ch.send(w);
    if (!ch.receive()) std::exit(1);  // the first STEP starts the clock
    auto start = std::chrono::steady_clock::now();
    double t = 0;
    for (int i = 0; i < n; ++i) {
        ch.send(airship_sensors(t += 0.032));
        auto f = ch.receive();
        if (!f) std::exit(1);
        decode_step(f->payload);
    }
    auto end = std::chrono::steady_clock::now();
    ch.send(Stop{});
    return std::chrono::duration<double, std::micro>(end - start).count() / n;
}

// Forks the arena half, runs the controller half, returns its figure.
template <class Arena, class Controller>
double measure(Arena arena, Controller controller) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) std::exit(1);
    std::fflush(stdout);  // or a child that exits through exit() prints it again
    pid_t pid = fork();
    if (pid == 0) {
        close(sv[0]);
        arena(sv[1]);
        _exit(0);
    }
    close(sv[1]);
    double us = controller(sv[0]);
    close(sv[0]);
    waitpid(pid, nullptr, 0);
    return us;
}

// The link round trip with the frames in a lane: both halves watch the
// rings, the socket only wakes a side that waited long.
double measure_lane(int n) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) std::exit(1);
    Lane lane = Lane::create();
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        close(sv[0]);
        Channel ch(sv[1], Lane::attach(dup(lane.fd())), LaneSide::arena);
        link_arena(ch);
        _exit(0);
    }
    close(sv[1]);
    double us;
    {
        Channel ch(sv[0], std::move(lane), LaneSide::controller);
        us = link_controller(ch, n);
    }
    close(sv[0]);
    waitpid(pid, nullptr, 0);
    return us;
}

}  // namespace

int main(int argc, char** argv) {
    int n = argc > 1 ? std::atoi(argv[1]) : 50000;
    if (n <= 0) n = 50000;
    std::size_t step_bytes = frame_bytes(airship_step());
    std::size_t sensors_bytes = frame_bytes(airship_sensors(0));
    std::printf("one step: STEP %zu bytes, SENSORS %zu bytes; %d round trips per round\n", step_bytes, sensors_bytes,
                n);

    // Rounds alternate so that both see the same load on a shared machine;
    // the best of each is the least disturbed.
    double best_link = 1e30, best_raw = 1e30, best_library = 1e30, best_lane = 1e30;
    for (int round = 0; round < 5; ++round) {
        double raw = measure([&](int fd) { raw_arena(fd, step_bytes, sensors_bytes); },
                             [&](int fd) { return raw_controller(fd, n, step_bytes, sensors_bytes); });
        double lnk = measure(
            [](int fd) {
                Channel ch(fd);
                link_arena(ch);
            },
            [&](int fd) {
                Channel ch(fd);
                return link_controller(ch, n);
            });
        // Here the forked half is the controller, the timed half the arena.
        double lib = measure([](int fd) { library_controller(fd); }, [&](int fd) { return library_arena(fd, n); });
        double lane = measure_lane(n);
        std::printf("round %d: raw %.3f us, link %.3f us, library %.3f us, lane %.3f us\n", round + 1, raw, lnk, lib,
                    lane);
        best_lane = std::min(best_lane, lane);
        best_raw = std::min(best_raw, raw);
        best_link = std::min(best_link, lnk);
        best_library = std::min(best_library, lib);
    }
    std::printf("raw ping-pong   %8.3f us per round trip\n", best_raw);
    std::printf("link round trip %8.3f us per round trip\n", best_link);
    std::printf("ratio           %8.3f (target <= 1.5)\n", best_link / best_raw);
    std::printf("library step    %8.3f us per round trip, ratio %.3f\n", best_library, best_library / best_raw);
    std::printf("link over lane  %8.3f us per round trip, ratio %.3f\n", best_lane, best_lane / best_raw);
    return 0;
}
