// Frames over a real socket pair: back-to-back frames, large frames that
// need many partial transfers, and every way a peer can break the stream.
#include <gtest/gtest.h>

#include <thread>

#include <sys/socket.h>
#include <unistd.h>

#include "link/channel.h"

using namespace arena::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct SocketPair {
    int fd[2];
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fd), 0); }
    ~SocketPair() { close_end(0), close_end(1); }
    void close_end(int i) {
        if (fd[i] >= 0) ::close(fd[i]);
        fd[i] = -1;
    }
};

void write_raw(int fd, const Bytes& b) { ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

}  // namespace

TEST(Channel, FramesSentBackToBackArriveSeparatelyAndInOrder) {
    SocketPair p;
    Channel a(p.fd[0]), b(p.fd[1]);
    a.send(ImageRequest{3});
    a.send(Stop{});
    Step st;
    st.ms = 64;
    st.console = "x";
    a.send(st);

    auto f1 = b.receive();
    ASSERT_TRUE(f1);
    EXPECT_TRUE(b.has_buffered());  // the others came in the same read
    EXPECT_EQ(f1->type, MessageType::image_request);
    EXPECT_EQ(decode_image_request(f1->payload).tag, 3);
    auto f2 = b.receive();
    ASSERT_TRUE(f2);
    EXPECT_EQ(f2->type, MessageType::stop);
    auto f3 = b.receive();
    ASSERT_TRUE(f3);
    EXPECT_EQ(decode_step(f3->payload).console, "x");
    EXPECT_FALSE(b.has_buffered());
}

TEST(Channel, LargeFramesSurvivePartialReadsAndWrites) {
    SocketPair p;
    Image img{1, 1000, 700, Bytes(1000 * 700 * 3)};
    for (std::size_t i = 0; i < img.rgb.size(); ++i) img.rgb[i] = static_cast<std::uint8_t>(i * 7);
    // Several megabytes cannot fit the socket's buffer: the writer blocks
    // and both sides see partial transfers.
    std::thread writer([&] {
        Channel a(p.fd[0]);
        a.send(img);
        a.send(img);
    });
    Channel b(p.fd[1]);
    for (int k = 0; k < 2; ++k) {
        auto f = b.receive();
        ASSERT_TRUE(f);
        Image back = decode_image(f->payload);
        EXPECT_EQ(back.rgb, img.rgb);
    }
    writer.join();
}

TEST(Channel, PeerClosedBetweenFramesIsReportedDistinctly) {
    SocketPair p;
    Channel(p.fd[0]).send(Stop{});
    p.close_end(0);
    Channel b(p.fd[1]);
    EXPECT_TRUE(b.receive());
    EXPECT_FALSE(b.receive());
}

TEST(Channel, PeerClosedBeforeItsFirstFrameIsAClosedLink) {
    SocketPair p;
    p.close_end(0);
    EXPECT_FALSE(Channel(p.fd[1]).receive());
}

TEST(Channel, PeerClosedInsideAFrameIsAnError) {
    {
        SocketPair p;
        write_raw(p.fd[0], {10, 0});  // half a header
        p.close_end(0);
        EXPECT_THROW(Channel(p.fd[1]).receive(), LinkError);
    }
    {
        SocketPair p;
        write_raw(p.fd[0], {10, 0, 0, 0, 4, 1, 2, 3});  // SENSORS of 10 bytes, 3 sent
        p.close_end(0);
        EXPECT_THROW(Channel(p.fd[1]).receive(), LinkError);
    }
}

TEST(Channel, BadHeadersAreRefusedBeforeAnyAllocation) {
    SocketPair p;
    write_raw(p.fd[0], {0xff, 0xff, 0xff, 0xff, 4});  // a 4 GiB SENSORS
    try {
        Channel(p.fd[1]).receive();
        FAIL() << "accepted an oversize frame";
    } catch (const LinkError& e) {
        EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << e.what();
    }
    SocketPair q;
    write_raw(q.fd[0], {0, 0, 0, 0, 42});
    EXPECT_THROW(Channel(q.fd[1]).receive(), LinkError);
}

TEST(Channel, SendingToAClosedPeerThrowsInsteadOfRaisingSigpipe) {
    SocketPair p;
    p.close_end(1);
    EXPECT_THROW(Channel(p.fd[0]).send(Hello{}), PeerClosed);
}

TEST(Channel, WorksOverAPipeToo) {
    int fd[2];
    ASSERT_EQ(pipe(fd), 0);
    Channel(fd[1]).send(ImageRequest{9});
    ::close(fd[1]);
    Channel r(fd[0]);
    auto f = r.receive();
    ASSERT_TRUE(f);
    EXPECT_EQ(decode_image_request(f->payload).tag, 9);
    EXPECT_FALSE(r.receive());
    ::close(fd[0]);
}
