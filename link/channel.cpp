#include "link/channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace arena::link {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

std::string system_error(const char* what) {
    return std::string(what) + " failed: " + std::strerror(errno);
}

// Writes all of data; false if the peer has gone.
bool write_all(int fd, const std::uint8_t* data, std::size_t size) {
    bool socket = true;
    while (size > 0) {
        ssize_t n = socket ? ::send(fd, data, size, MSG_NOSIGNAL) : ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOTSOCK && socket) {
                socket = false;  // a pipe: fall back to write
                continue;
            }
            if (errno == EPIPE || errno == ECONNRESET) return false;
            throw LinkError(system_error("writing to the link"));
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void Channel::send_frame(MessageType type) {
    std::size_t payload = out_.size() - kFrameHeaderBytes;
    if (payload > kMaxFrameBytes) {
        throw LinkError(std::string(name_of(type)) + " message of " + std::to_string(payload) +
                        " bytes is over the " + std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    for (std::size_t i = 0; i < 4; ++i) out_[i] = static_cast<std::uint8_t>(payload >> (8 * i));
    out_[4] = static_cast<std::uint8_t>(type);
    if (!write_all(fd_, out_.data(), out_.size())) {
        throw PeerClosed(std::string("the other end closed the link while sending ") + name_of(type));
    }
}

bool Channel::fill(std::size_t want) {
    if (in_.size() - begin_ < want) {
        // Move what is left to the front and make room for the whole frame.
        std::memmove(in_.data(), in_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        if (in_.size() < want) in_.resize(std::max(want, kReadChunk));
    }
    while (end_ - begin_ < want) {
        ssize_t n = ::read(fd_, in_.data() + end_, in_.size() - end_);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == ECONNRESET) return false;
            throw LinkError(system_error("reading from the link"));
        }
        if (n == 0) return false;
        end_ += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<Frame> Channel::receive() {
    if (begin_ == end_) begin_ = end_ = 0;
    if (!fill(kFrameHeaderBytes)) {
        if (begin_ == end_) return std::nullopt;
        throw LinkError("the link closed inside a frame header");
    }
    const std::uint8_t* h = in_.data() + begin_;
    std::uint32_t length = std::uint32_t{h[0]} | std::uint32_t{h[1]} << 8 |
                           std::uint32_t{h[2]} << 16 | std::uint32_t{h[3]} << 24;
    std::uint8_t type = h[4];
    if (type < 1 || type > 7) {
        throw LinkError("frame of unknown message type " + std::to_string(type));
    }
    if (length > kMaxFrameBytes) {
        throw LinkError(std::string(name_of(static_cast<MessageType>(type))) + " frame of " +
                        std::to_string(length) + " bytes is over the " +
                        std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    if (!fill(kFrameHeaderBytes + length)) {
        throw LinkError(std::string("the link closed inside a ") +
                        name_of(static_cast<MessageType>(type)) + " frame");
    }
    Frame frame{static_cast<MessageType>(type),
                {in_.data() + begin_ + kFrameHeaderBytes, length}};
    begin_ += kFrameHeaderBytes + length;
    return frame;
}

}  // namespace arena::link
