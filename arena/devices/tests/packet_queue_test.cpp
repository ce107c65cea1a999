#include "devices/packet_queue.h"

#include <gtest/gtest.h>

namespace arena {
namespace {

using Packet = PacketQueue::Packet;

TEST(PacketQueue, ReportsOnePacketPerStepInArrivalOrder) {
    PacketQueue q;
    EXPECT_TRUE(q.push({1, 2, 3, 4}));
    EXPECT_TRUE(q.push({5}));
    EXPECT_TRUE(q.current().empty());  // nothing reported before the first step
    q.advance();
    EXPECT_EQ(q.current(), (Packet{1, 2, 3, 4}));
    EXPECT_EQ(q.waiting(), 1u);
    q.advance();
    EXPECT_EQ(q.current(), Packet{5});
    q.advance();
    EXPECT_TRUE(q.current().empty());
    EXPECT_EQ(q.dropped(), 0u);
}

TEST(PacketQueue, OverflowAndEmptyPacketsAreCountedNotLostSilently) {
    PacketQueue q(2);
    EXPECT_TRUE(q.push({1}));
    EXPECT_TRUE(q.push({2}));
    EXPECT_FALSE(q.push({3}));
    EXPECT_FALSE(q.push({}));
    EXPECT_EQ(q.dropped(), 2u);
    q.advance();
    EXPECT_EQ(q.current(), Packet{1});  // the oldest survive, in order
    EXPECT_TRUE(q.push({4}));
    q.advance();
    q.advance();
    EXPECT_EQ(q.current(), Packet{4});
}

}  // namespace
}  // namespace arena
