// The real Controller library end to end: a test controller process talks
// to a fake arena played by the test, over a socket pair alone or over a
// lane beside it, as the arena runs it.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/channel.h"
#include "link/messages.h"

using namespace arena::link;

namespace {

enum { kIr0 = 1, kIr1, kGps, kCamera, kIrcom, kEmitter };

Welcome test_welcome() {
    Welcome w;
    w.robot_name = "tester";
    w.devices = {{kIr0, "ir0", DeviceType::distance_sensor},
                 {kIr1, "ir1", DeviceType::distance_sensor},
                 {kGps, "gps", DeviceType::gps},
                 {kCamera, "camera", DeviceType::camera},
                 {kIrcom, "ircom", DeviceType::receiver},
                 {kEmitter, "emitter", DeviceType::emitter}};
    w.sensors = Sensors{};
    return w;
}

GpsSample gps_at(float x, float y, float z) {
    GpsSample g{kGps, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
    return g;
}

enum class Transport { socket, lane };

// Starts test_robot MODE with ARENA_LINK_FD set (unless link_fd is null;
// "" names the real descriptor) and, over a lane, ARENA_LANE_FD likewise,
// its stdout and stderr on one pipe, and plays the arena's side.
class FakeArena {
public:
    explicit FakeArena(const char* mode, const char* link_fd = "", Transport transport = Transport::socket,
                       const char* lane_fd = "") {
        int sv[2], out[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        std::optional<Lane> lane;
        if (transport == Transport::lane) lane.emplace(Lane::create());
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            int fd = dup(sv[1]);  // without close-on-exec
            std::string fd_text = std::to_string(fd);
            if (link_fd == nullptr) {
                unsetenv(kLinkFdVariable);
            } else {
                setenv(kLinkFdVariable, *link_fd ? link_fd : fd_text.c_str(), 1);
            }
            if (lane) {
                std::string lane_text = std::to_string(dup(lane->fd()));
                setenv(kLaneFdVariable, *lane_fd ? lane_fd : lane_text.c_str(), 1);
            } else {
                unsetenv(kLaneFdVariable);
            }
            execl(TEST_ROBOT, TEST_ROBOT, mode, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(sv[1]);
        close(out[1]);
        fd_ = sv[0];
        out_ = out[0];
        if (lane) {
            channel_.emplace(fd_, std::move(*lane), LaneSide::arena);
        } else {
            channel_.emplace(fd_);
        }
    }
    ~FakeArena() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
        close(out_);
    }

    Channel& link() { return *channel_; }

    Frame expect(MessageType type) {
        auto f = channel_->receive();
        EXPECT_TRUE(f) << "the controller closed the link, expected " << name_of(type);
        if (!f) throw LinkError("closed");
        EXPECT_EQ(f->type, type) << name_of(f->type);
        return *f;
    }
    void handshake(const Welcome& w = test_welcome()) {
        decode_hello(expect(MessageType::hello).payload);
        channel_->send(w);
    }
    Step expect_step() { return decode_step(expect(MessageType::step).payload); }
    void close_link() {
        close(fd_);
        fd_ = -1;
    }

    // What the program has printed so far (without waiting for more).
    std::string output_so_far() {
        char buf[4096];
        pollfd p{out_, POLLIN, 0};
        while (poll(&p, 1, 0) == 1 && (p.revents & POLLIN)) {
            ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) break;
            output_.append(buf, static_cast<std::size_t>(n));
        }
        return output_;
    }
    // Waits for the program to end; its exit status, or -1 if it was killed.
    int exit_status() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        char buf[4096];
        ssize_t n;
        while ((n = read(out_, buf, sizeof buf)) > 0) output_.append(buf, static_cast<std::size_t>(n));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& output() const { return output_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    int out_ = -1;
    std::string output_;
    std::optional<Channel> channel_;
};

class ClientOver : public testing::TestWithParam<Transport> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Transports, ClientOver, testing::Values(Transport::socket, Transport::lane),
                         [](const auto& info) { return info.param == Transport::lane ? "lane" : "socket"; });

TEST_P(ClientOver, ReadsBeforeTheFirstStepSeeTheTimeZeroSamples) {
    FakeArena arena("reads", "", GetParam());
    Welcome w = test_welcome();
    w.sensors.distances = {{kIr0, 812}, {kIr1, 3}};
    w.sensors.gps = {gps_at(1.5f, 2, -3)};
    w.sensors.keys = {80, 317};
    w.sensors.packets = {{kIrcom, {'h', 'i'}}};  // no terminator of its own
    arena.handshake(w);

    Step first = arena.expect_step();
    EXPECT_EQ(first.ms, 64);
    EXPECT_TRUE(first.enables.empty()) << "enables of bad tags were sent";
    EXPECT_TRUE(first.emits.empty()) << "packets of bad tags were sent";

    // Step 1: the distance changes, gps not resent (keeps its value), no
    // keys and no packet (they belong to their step).
    Sensors s;
    s.time = 0.064;
    s.distances = {{kIr0, 40}};
    arena.link().send(s);
    arena.expect_step();
    arena.link().send(Stop{});

    EXPECT_EQ(arena.exit_status(), 0);
    EXPECT_EQ(arena.output(),
              "reset: name=tester ir0=812 gps=1.5,2,-3 keys=80,317, packet=2:hi\n"
              "bad 0: d=0 m=1,1,1,1 img=1x1:0 size=0 buf=0\n"
              "bad 1: d=0 m=1,1,1,1 img=1x1:0 size=0 buf=0\n"
              "bad 200: d=0 m=1,1,1,1 img=1x1:0 size=0 buf=0\n"
              "bad 255: d=0 m=1,1,1,1 img=1x1:0 size=0 buf=0\n"
              "missing=0 null=0\n"
              "step: name=tester ir0=40 gps=1.5,2,-3 keys= packet=0:\n");
}

TEST_P(ClientOver, CommandsTravelWithTheNextStepInCallOrder) {
    FakeArena arena("commands", "", GetParam());
    arena.handshake();
    for (int k = 1; k <= 3; ++k) {
        Step st = arena.expect_step();
        EXPECT_EQ(st.ms, 32);
        if (k == 1) {
            ASSERT_EQ(st.enables.size(), 3u);
            EXPECT_EQ(st.enables[0].tag, kGps);
            EXPECT_EQ(st.enables[0].period_ms, 32);
            EXPECT_EQ(st.enables[1].tag, kIr0);
            EXPECT_EQ(st.enables[2].tag, kEmitter);
            EXPECT_EQ(st.keyboard_period_ms, 32);
        } else {
            EXPECT_TRUE(st.enables.empty());
            EXPECT_FALSE(st.keyboard_period_ms);
        }
        ASSERT_TRUE(st.wheels);
        if (k < 3) {
            EXPECT_EQ(*st.wheels, (std::array<std::int16_t, 2>{7, static_cast<std::int16_t>(-k)}));
        } else {
            EXPECT_EQ(*st.wheels, (std::array<std::int16_t, 2>{32767, -32768}));
        }
        EXPECT_EQ(st.force_torque, (std::array<float, 6>{0.5f, 2.4525f, 0, 0, -0.25f, 1e-7f}));
        EXPECT_EQ(st.move, (std::array<float, 7>{0.1f * k, 0.2f, 0.3f, 0, 1, 0, 1.5f}));
        EXPECT_EQ(st.console, "part one, step " + std::to_string(k) + "\n");
        ASSERT_EQ(st.emits.size(), 2u);
        EXPECT_EQ(st.emits[0].tag, kEmitter);
        EXPECT_EQ(st.emits[0].bytes, (std::vector<std::uint8_t>{1, 2}));
        EXPECT_EQ(st.emits[1].bytes, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
        if (k < 3) arena.link().send(Sensors{});
    }
    arena.link().send(Stop{});  // robot_run returns, main goes on and returns 0
    EXPECT_EQ(arena.exit_status(), 0);
    EXPECT_EQ(arena.output(), "run returned\n");
}

TEST_P(ClientOver, AClosedLinkEndsRobotRunLikeStop) {
    FakeArena arena("commands", "", GetParam());
    arena.handshake();
    arena.expect_step();
    arena.close_link();
    EXPECT_EQ(arena.exit_status(), 0);
    EXPECT_EQ(arena.output(), "run returned\n");
}

// The program looks at its camera in steps 2 and 3. Step 2 asks for the
// image; the samples after it bring the next image unasked, as the arena
// does for a camera looked at in the last step, and step 3 uses that one.
TEST_P(ClientOver, TheCameraImageIsFetchedOnlyWhenLookedAtOncePerStepOrComesWithTheSamples) {
    FakeArena arena("camera", "", GetParam());
    Welcome w = test_welcome();
    w.sensors.cameras = {{kCamera, 2, 1}};
    arena.handshake(w);
    EXPECT_TRUE(arena.expect_step().looked.empty());  // step 1 never touched the image: no request came
    arena.link().send(Sensors{});
    auto req = arena.expect(MessageType::image_request);
    EXPECT_EQ(decode_image_request(req.payload).tag, kCamera);
    arena.link().send(Image{kCamera, 2, 1, {10, 20, 30, 40, 50, 60}});
    EXPECT_EQ(arena.expect_step().looked, (std::vector<std::uint8_t>{kCamera}));  // the second read came from the cache
    Sensors with_image;
    with_image.images = {{kCamera, 2, 1, {70, 80, 90, 0, 0, 0}}};
    arena.link().send(with_image);
    EXPECT_EQ(arena.expect_step().looked,
              (std::vector<std::uint8_t>{kCamera}));  // no request: IMAGE_REQUEST would fail expect_step
    arena.link().send(Sensors{});
    EXPECT_TRUE(arena.expect_step().looked.empty());  // step 4 did not look
    arena.link().send(Stop{});
    EXPECT_EQ(arena.exit_status(), 0);
    EXPECT_EQ(arena.output(),
              "size 2x1\nimage 2x1 first=10,20,30 same=1\nimage 2x1 first=70,80,90 same=1\n"
              "size 2x1\nrun returned\n");
}

TEST_P(ClientOver, StdoutLinesReachThePipeBeforeTheirStep) {
    FakeArena arena("prints", "", GetParam());
    arena.handshake();
    for (int k = 1; k <= 3; ++k) {
        arena.expect_step();
        EXPECT_EQ(arena.output_so_far().substr(0), [k] {
            std::string s;
            for (int i = 1; i <= k; ++i) s += "step " + std::to_string(i) + "\n";
            return s;
        }());
        arena.link().send(Sensors{});
    }
    arena.link().send(Stop{});
    EXPECT_EQ(arena.exit_status(), 0);
}

// The arena looks at the pipes only for a step whose STEP says they hold
// something: a step that printed must say so, one that did not must not.
TEST_P(ClientOver, EachStepSaysWhetherItsOutputWaitsInThePipes) {
    FakeArena arena("prints now and then", "", GetParam());
    arena.handshake();
    const bool printed[] = {true, false, true, false};
    for (bool expected : printed) {
        EXPECT_EQ(arena.expect_step().output_waiting, expected) << "after \"" << arena.output() << "\"";
        arena.output_so_far();  // read what waits, as the arena does
        arena.link().send(Sensors{});
    }
    arena.link().send(Stop{});
    EXPECT_EQ(arena.exit_status(), 0);
    EXPECT_EQ(arena.output(), "out 1\nerr 3\nrun returned\n");
}

TEST_P(ClientOver, StopOrAClosedLinkEndsAnEndlessStepLoopWithStatusZero) {
    {
        FakeArena arena("reads", "", GetParam());
        arena.handshake();
        arena.expect_step();
        arena.link().send(Stop{});
        EXPECT_EQ(arena.exit_status(), 0);
    }
    {
        FakeArena arena("reads", "", GetParam());
        arena.handshake();
        arena.expect_step();
        arena.close_link();
        EXPECT_EQ(arena.exit_status(), 0);
    }
}

TEST(Client, WithoutAnArenaTheProgramSaysHowToRunItAndExitsTwo) {
    FakeArena by_hand("reads", nullptr);
    EXPECT_EQ(by_hand.exit_status(), 2);
    EXPECT_EQ(by_hand.output(),
              "test_robot: this is a robot controller; start it with `arena run WORLD` "
              "(ARENA_LINK_FD is not set)\n");

    FakeArena garbage("reads", "12x");
    EXPECT_EQ(garbage.exit_status(), 2);
    EXPECT_NE(garbage.output().find("ARENA_LINK_FD=12x is not an open descriptor"), std::string::npos)
        << garbage.output();
}

TEST_P(ClientOver, AMalformedOrForeignArenaIsReportedAndExitsOne) {
    {
        FakeArena arena("reads", "", GetParam());
        decode_hello(arena.expect(MessageType::hello).payload);
        Welcome w = test_welcome();
        w.version = kProtocolVersion + 1;
        arena.link().send(w);
        EXPECT_EQ(arena.exit_status(), 1);
        EXPECT_NE(arena.output().find("link to the arena failed"), std::string::npos) << arena.output();
        EXPECT_NE(arena.output().find("version"), std::string::npos) << arena.output();
    }
    {
        FakeArena arena("reads", "", GetParam());
        arena.handshake();
        arena.expect_step();
        Sensors s;
        s.gps = {gps_at(0, 0, 0)};
        s.gps[0].tag = kIr0;  // a gps sample for a distance sensor
        arena.link().send(s);
        EXPECT_EQ(arena.exit_status(), 1);
        EXPECT_NE(arena.output().find("tag 1, which is not a gps"), std::string::npos) << arena.output();
    }
}

TEST(Client, ALaneThatIsNotOneIsReportedAndExitsTwo) {
    FakeArena closed("reads", "", Transport::lane, "99");
    EXPECT_EQ(closed.exit_status(), 2);
    EXPECT_NE(closed.output().find("ARENA_LANE_FD=99: "), std::string::npos) << closed.output();

    // An open descriptor, but not a lane: the program's own standard output.
    FakeArena foreign("reads", "", Transport::lane, "1");
    EXPECT_EQ(foreign.exit_status(), 2);
    EXPECT_NE(foreign.output().find("ARENA_LANE_FD=1: descriptor 1 is not an arena lane"), std::string::npos)
        << foreign.output();
}
