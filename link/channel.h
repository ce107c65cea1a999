// One framed message at a time over a stream socket (or pipe), or over a
// lane beside the socket (see lane.h).
//
// A frame is a 5-byte header, the payload length as a little-endian u32 and
// the message type byte, then the payload. The length is checked against
// kMaxFrameBytes before anything is allocated, so a corrupt header cannot
// make a side allocate gigabytes.
#ifndef LINK_CHANNEL_H
#define LINK_CHANNEL_H

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/lane.h"
#include "link/messages.h"
#include "link/wire.h"

namespace arena::link {

constexpr std::size_t kFrameHeaderBytes = 5;
// Large enough for a 4096 x 4096 RGB image with room to spare.
constexpr std::uint32_t kMaxFrameBytes = 64u << 20;

// A received frame. The payload points into the channel's buffer and is
// valid until the next receive on that channel.
struct Frame {
    MessageType type;
    std::span<const std::uint8_t> payload;
};

// Sends and receives frames on a descriptor it does not own (the caller
// keeps and closes it). Reads and writes survive EINTR and partial
// transfers; writing to a closed peer never raises SIGPIPE.
class Channel {
public:
    explicit Channel(int fd) : fd_(fd) {}
    // The frames travel through the lane's rings; fd only wakes a side that
    // sleeps and tells when the peer has gone.
    Channel(int fd, Lane lane, LaneSide side);

    int fd() const { return fd_; }

    // Encodes and sends one message. Throws PeerClosed if the other end has
    // gone, LinkError on any other failure.
    template <class Message>
    void send(const Message& m) {
        out_.resize(kFrameHeaderBytes);
        encode(m, out_);
        send_frame(type_of(m));
    }

    // The next frame, or nullopt if the peer closed the link cleanly between
    // frames. A link closed inside a frame, an unknown type or an oversize
    // length throws LinkError.
    std::optional<Frame> receive();

    // Whether bytes already read from the descriptor wait in the channel.
    // A receive reads as much as the socket holds, so a peer that sent two
    // frames at once leaves the second here, where poll() cannot see it: an
    // event loop calls receive again while this is true.
    bool has_buffered() const { return end_ > begin_; }

    // For event loops. ready(): a receive finds bytes without waiting.
    // Otherwise arm() before sleeping in poll() on fd(): it asks a lane's
    // peer to ring the socket when it next writes, and is false if bytes
    // came meanwhile (then do not sleep). When poll() finds fd() readable,
    // woken() takes the wake-up bytes and is true when a receive can go on
    // (bytes are in, or the peer has closed the link). Call woken() after
    // every poll() for each armed channel, readable or not: it also disarms.
    bool ready() const;
    bool arm();
    bool woken(bool socket_readable);

    // --- The arena's side: it never waits on a controller. ---------------
    // Queues one message; flush() sends what the peer has room for now.
    template <class Message>
    void post(const Message& m) {
        out_.resize(kFrameHeaderBytes);
        encode(m, out_);
        queue_frame(type_of(m));
    }
    // Sends what it can without waiting; true once nothing is left to send.
    // Throws PeerClosed when the peer has gone.
    bool flush();
    bool sending() const { return sent_ < queued_.size(); }
    // A whole frame if one has come, reading only what is there now;
    // nullopt otherwise. A peer that closed inside a frame, an unknown type
    // or an oversize length throws LinkError.
    std::optional<Frame> poll_receive();
    // The peer has closed the link and every byte it sent has been taken.
    bool ended() const { return peer_gone_ && !incoming(); }
    // New bytes wait to be read (a lane's ring only: no system call).
    // Never throws: a lane whose counters are broken counts as news, so that
    // the receive or flush that follows throws where the caller expects it.
    bool incoming() const noexcept;
    // Room to send more without waiting (a lane's ring only); never throws,
    // as incoming().
    bool has_room() const noexcept;
    // Before sleeping in poll() on fd() for room to send: asks a lane's peer
    // to ring the socket when it reads; false if there is room already.
    // woken() disarms it too.
    bool arm_for_room();

private:
    void queue_frame(MessageType type);  // out_ holds header space + payload
    void make_room(std::size_t want);    // in_ can take want bytes from begin_
    bool fill_now(std::size_t want);     // reads what is there now; true once want bytes are buffered
    void send_frame(MessageType type);   // out_ holds header space + payload
    bool fill(std::size_t want);         // reads until want bytes are buffered

    bool write_bytes(const std::uint8_t* data, std::size_t size);  // false if the peer has gone
    std::size_t read_some(std::uint8_t* into, std::size_t room);   // 0: the peer has gone
    void lane_write(const std::uint8_t* data, std::size_t size);
    std::size_t lane_read(std::uint8_t* into, std::size_t room);
    bool sleep_on_socket(std::atomic<std::uint32_t>& flag, bool (Channel::*done)() const);
    bool lane_readable() const { return in_ring_->readable() > 0; }
    bool lane_writable() const { return out_ring_->writable() > 0; }
    void ring_peer(std::atomic<std::uint32_t>& flag);

    int fd_;
    std::optional<Lane> lane_;
    std::optional<Ring> in_ring_, out_ring_;
    bool peer_gone_ = false;  // a lane's socket has reached its end
    std::vector<std::uint8_t> out_;
    // Posted frames: queued_[sent_, end) are still to be sent.
    std::vector<std::uint8_t> queued_;
    std::size_t sent_ = 0;
    // Received bytes: in_[begin_, end_) are read but not yet handed out.
    // Reading as much as the socket holds makes one frame one read.
    std::vector<std::uint8_t> in_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

// Thrown by send when the other end has closed the link.
class PeerClosed : public LinkError {
public:
    using LinkError::LinkError;
};

}  // namespace arena::link

#endif
