// Frames through a lane between two processes, as the arena and a
// controller use it: ordinary and oversize frames, a peer that ends, the
// event loop's arm and wake, and a region or counters that cannot be right.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/channel.h"

using namespace arena::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

Image pattern_image(std::uint16_t w, std::uint16_t h) {
    Image img{2, w, h, Bytes(std::size_t(w) * h * 3)};
    for (std::size_t i = 0; i < img.rgb.size(); ++i) img.rgb[i] = std::uint8_t(i * 13 + i / 251);
    return img;
}

// A controller process at the other end of a fresh lane, running `body`
// on its channel; its exit status is 0 if body returns true.
class Peer {
public:
    template <class Body>
    explicit Peer(Body body) : lane_(Lane::create()) {
        int sv[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        pid_ = fork();
        if (pid_ == 0) {
            ::close(sv[0]);
            bool ok = false;
            try {
                Channel c(sv[1], Lane::attach(dup(lane_.fd())), LaneSide::controller);
                ok = body(c);
            } catch (const std::exception&) {
            }
            _exit(ok ? 0 : 1);
        }
        ::close(sv[1]);
        fd_ = sv[0];
        channel_.emplace(fd_, std::move(lane_), LaneSide::arena);
    }
    ~Peer() {
        if (pid_ > 0) exit_status();
        ::close(fd_);
    }
    Channel& channel() { return *channel_; }
    int exit_status() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    Lane lane_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::optional<Channel> channel_;
};

// Sends back every frame it receives until STOP.
bool echo(Channel& c) {
    while (auto f = c.receive()) {
        if (f->type == MessageType::stop) return true;
        if (f->type == MessageType::image) {
            c.send(decode_image(f->payload));
        } else if (f->type == MessageType::image_request) {
            c.send(decode_image_request(f->payload));
        } else {
            return false;
        }
    }
    return false;
}

}  // namespace

TEST(Lane, SmallAndOversizeFramesArriveWholeAndInOrderBothWays) {
    Peer peer(echo);
    Channel& c = peer.channel();
    // Three frames back to back, then one three times the ring's size, which
    // has to stream through while the other side reads.
    for (std::uint8_t tag : {1, 2, 3}) c.send(ImageRequest{tag});
    const Image big = pattern_image(1024, 1024);
    ASSERT_GT(big.rgb.size(), 2 * Lane::kRingBytes);
    c.send(big);
    for (std::uint8_t tag : {1, 2, 3}) {
        auto f = c.receive();
        ASSERT_TRUE(f);
        ASSERT_EQ(f->type, MessageType::image_request);
        EXPECT_EQ(decode_image_request(f->payload).tag, tag);
    }
    auto f = c.receive();
    ASSERT_TRUE(f);
    ASSERT_EQ(f->type, MessageType::image);
    const Image back = decode_image(f->payload);
    EXPECT_EQ(back.width, 1024);
    EXPECT_TRUE(back.rgb == big.rgb) << "the image came back changed";
    c.send(Stop{});
    EXPECT_EQ(peer.exit_status(), 0);
}

TEST(Lane, FramesWrittenBeforeThePeerEndedAreReadThenTheEnd) {
    Peer peer([](Channel& c) {
        c.send(ImageRequest{7});
        c.send(pattern_image(700, 600));  // more than the ring: the peer waits for room
        return true;
    });
    Channel& c = peer.channel();
    auto first = c.receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(decode_image_request(first->payload).tag, 7);
    auto second = c.receive();
    ASSERT_TRUE(second);
    EXPECT_TRUE(decode_image(second->payload).rgb == pattern_image(700, 600).rgb);
    EXPECT_EQ(peer.exit_status(), 0);
    EXPECT_FALSE(c.receive());  // the end, not an error and not a hang
    EXPECT_TRUE(c.ready());     // an event loop sees the end without sleeping
}

// The arena's loop: nothing there, so it arms and sleeps in poll(); the
// peer writes long after any spinning has given up, rings, and the loop
// wakes and receives. A stray wake-up never makes it block.
TEST(Lane, ASleepingEventLoopIsWokenByThePeersNextFrame) {
    Peer peer([](Channel& c) {
        auto go = c.receive();
        if (!go) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        c.send(ImageRequest{4});
        return c.receive().has_value();
    });
    Channel& c = peer.channel();
    EXPECT_FALSE(c.ready());
    EXPECT_FALSE(c.woken(false));  // nothing came: not ready, and nothing read
    c.send(ImageRequest{1});       // go
    ASSERT_TRUE(c.arm());
    pollfd p{c.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1) << "the peer's frame did not ring the socket";
    ASSERT_TRUE(c.woken(true));
    auto f = c.receive();
    ASSERT_TRUE(f);
    EXPECT_EQ(decode_image_request(f->payload).tag, 4);
    EXPECT_FALSE(c.woken(true));  // a stray wake-up: nothing to read, and no block
    c.send(Stop{});
    EXPECT_EQ(peer.exit_status(), 0);
}

TEST(Lane, ArmingWhenBytesAreAlreadyThereSaysDoNotSleep) {
    Peer peer([](Channel& c) {
        c.send(ImageRequest{5});
        return c.receive().has_value();
    });
    Channel& c = peer.channel();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!c.ready() && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
    EXPECT_FALSE(c.arm());
    ASSERT_TRUE(c.receive());
    c.send(Stop{});
    EXPECT_EQ(peer.exit_status(), 0);
}

TEST(Lane, CountersThatCannotBeRightAreALinkErrorNotAnOverread) {
    Lane lane = Lane::create();
    Ring in = lane.incoming(LaneSide::arena);
    in.state().head.store(5 * Lane::kRingBytes);  // more than the ring can hold
    EXPECT_THROW(in.readable(), LinkError);
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    Channel c(sv[0], std::move(lane), LaneSide::arena);
    EXPECT_THROW(c.receive(), LinkError);
    ::close(sv[0]);
    ::close(sv[1]);
}

TEST(Lane, MovingNothingThroughARingTouchesNoBuffer) {
    Lane lane = Lane::create();
    Ring out = lane.outgoing(LaneSide::arena), in = lane.incoming(LaneSide::controller);
    EXPECT_EQ(in.read(nullptr, 0), 0u);  // an empty ring, and an empty request
    out.write(Bytes{1, 2}.data(), 2);
    EXPECT_EQ(out.write(nullptr, 0), 0u);
    EXPECT_EQ(in.read(nullptr, 0), 0u);
    EXPECT_EQ(in.readable(), 2u);
}

TEST(Lane, AttachRefusesWhatIsNotALane) {
    // The right size but never made a lane: no magic.
    int blank = memfd_create("blank", 0);
    ASSERT_GE(blank, 0);
    ASSERT_EQ(ftruncate(blank, 4096 + 2 * Lane::kRingBytes), 0);
    EXPECT_THROW(Lane::attach(blank), LinkError);
    // The wrong size.
    int small = memfd_create("small", 0);
    ASSERT_EQ(ftruncate(small, 4096), 0);
    EXPECT_THROW(Lane::attach(small), LinkError);
    ::close(small);
    // A socket.
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    EXPECT_THROW(Lane::attach(sv[0]), LinkError);
    ::close(sv[0]);
    ::close(sv[1]);
}
