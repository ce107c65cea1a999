// The lane: the link's bytes through memory shared by the arena and one
// controller instead of through the socket.
//
// A lock-step run hands the turn back and forth several times per step, and
// on a virtual machine each hand-over through a socket costs tens of
// microseconds of waking the other process. Through shared memory, with the
// waiting side watching for the bytes for a little while, it costs about
// one. The socket stays beside the lane: a side that has waited long enough
// sleeps on it and its peer writes one byte there to wake it, and a peer
// that ends or dies closes it, so both are seen exactly as before.
//
// The region holds two single-producer single-consumer byte rings, one per
// direction. Each side trusts nothing the other writes there: counters that
// do not add up are a LinkError, never a read outside the region.
#ifndef LINK_LANE_H
#define LINK_LANE_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "link/wire.h"

namespace arena::link {

// Names the inherited descriptor of the region, beside ARENA_LINK_FD.
constexpr const char* kLaneFdVariable = "ARENA_LANE_FD";

enum class LaneSide { arena, controller };

// One direction: bytes [tail, head) wait to be read, counted since the
// start, so head - tail is what the ring holds.
struct RingState {
    alignas(64) std::atomic<std::uint64_t> head;
    alignas(64) std::atomic<std::uint64_t> tail;
    // Set by a side about to sleep: the reader waiting for bytes, the writer
    // waiting for room. The other side clears it and rings the socket.
    alignas(64) std::atomic<std::uint32_t> reader_sleeps;
    std::atomic<std::uint32_t> writer_sleeps;
};

// One end of one ring.
class Ring {
public:
    Ring(RingState* state, std::uint8_t* bytes, std::size_t capacity) : s_(state), bytes_(bytes), capacity_(capacity) {}

    // Bytes waiting to be read, or room left to write. Throw LinkError when
    // the counters cannot be right.
    std::size_t readable() const;
    std::size_t writable() const;
    // Copy out or in as much as fits, at most `size`; return how much.
    std::size_t read(std::uint8_t* out, std::size_t size);
    std::size_t write(const std::uint8_t* in, std::size_t size);

    RingState& state() { return *s_; }

private:
    RingState* s_;
    std::uint8_t* bytes_;
    std::size_t capacity_;
};

// A mapped region: made by the arena for one controller, attached to by that
// controller through the descriptor it inherits.
class Lane {
public:
    // Frames stream through, so any frame fits; a large camera image just
    // takes several hand-overs. Small enough that the ring stays in the
    // caches of both sides instead of walking through a megabyte of memory.
    static constexpr std::size_t kRingBytes = 64u << 10;

    // A new region; fd() is the descriptor to hand the controller (close on
    // exec until the arena places it in the child).
    static Lane create();
    // The region behind fd (which it then closes); throws LinkError when fd
    // is not a lane of this version.
    static Lane attach(int fd);

    Lane(Lane&& other) noexcept;
    Lane& operator=(Lane&&) = delete;
    Lane(const Lane&) = delete;
    ~Lane();

    int fd() const { return fd_; }
    // The ring this side writes, and the one it reads.
    Ring outgoing(LaneSide side) const;
    Ring incoming(LaneSide side) const;

private:
    Lane(void* base, int fd) : base_(base), fd_(fd) {}
    Ring ring(int index) const;

    void* base_;
    int fd_;
};

}  // namespace arena::link

#endif
