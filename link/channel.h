// One framed message at a time over a stream socket (or pipe).
//
// A frame is a 5-byte header, the payload length as a little-endian u32 and
// the message type byte, then the payload. The length is checked against
// kMaxFrameBytes before anything is allocated, so a corrupt header cannot
// make a side allocate gigabytes.
#ifndef LINK_CHANNEL_H
#define LINK_CHANNEL_H

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

private:
    void send_frame(MessageType type);  // out_ holds header space + payload
    bool fill(std::size_t want);        // reads until want bytes are buffered

    int fd_;
    std::vector<std::uint8_t> out_;
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
