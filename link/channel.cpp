#include "link/channel.h"

#include "link/spin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace arena::link {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

std::string system_error(const char* what) { return std::string(what) + " failed: " + std::strerror(errno); }

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

Channel::Channel(int fd, Lane lane, LaneSide side)
    : fd_(fd), lane_(std::move(lane)), in_ring_(lane_->incoming(side)), out_ring_(lane_->outgoing(side)) {}

bool Channel::write_bytes(const std::uint8_t* data, std::size_t size) {
    if (!lane_) return write_all(fd_, data, size);
    while (size > 0) {
        const std::size_t n = out_ring_->write(data, size);
        if (n > 0) {
            ring_peer(out_ring_->state().reader_sleeps);
            data += n;
            size -= n;
        } else if (!spin_until([this] { return lane_writable(); }) &&
                   !sleep_on_socket(out_ring_->state().writer_sleeps, &Channel::lane_writable)) {
            return false;
        }
    }
    return !peer_gone_;
}

std::size_t Channel::read_some(std::uint8_t* into, std::size_t room) {
    if (lane_) return lane_read(into, room);
    while (true) {
        ssize_t n = ::read(fd_, into, room);
        if (n >= 0) return std::size_t(n);
        if (errno == EINTR) continue;
        if (errno == ECONNRESET) return 0;
        throw LinkError(system_error("reading from the link"));
    }
}

std::size_t Channel::lane_read(std::uint8_t* into, std::size_t room) {
    if (!lane_readable() && !spin_until([this] { return lane_readable(); }) &&
        !sleep_on_socket(in_ring_->state().reader_sleeps, &Channel::lane_readable)) {
        return 0;
    }
    const std::size_t n = in_ring_->read(into, room);
    ring_peer(in_ring_->state().writer_sleeps);
    return n;
}

// Wakes the peer if it sleeps waiting for what this side just did. The flag
// is read after the ring's counter was stored, and the peer stores the flag
// before it reads the counter, so one of the two always sees the other.
void Channel::ring_peer(std::atomic<std::uint32_t>& flag) {
    if (flag.load(std::memory_order_seq_cst) == 0 || flag.exchange(0) == 0) return;
    const std::uint8_t wake = 1;
    if (::send(fd_, &wake, 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && (errno == EPIPE || errno == ECONNRESET)) {
        peer_gone_ = true;
    }
    // EAGAIN: the socket is full of wake-ups already, the peer will wake.
}

// Sleeps on the socket until done() holds (true) or the peer has gone and
// it does not (false). A wake-up byte is only a hint: done() decides.
bool Channel::sleep_on_socket(std::atomic<std::uint32_t>& flag, bool (Channel::*done)() const) {
    while (!peer_gone_) {
        flag.store(1, std::memory_order_seq_cst);
        if ((this->*done)()) break;
        std::uint8_t wake[64];
        ssize_t n = ::read(fd_, wake, sizeof wake);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != ECONNRESET) throw LinkError(system_error("waiting on the link"));
        if (n <= 0) peer_gone_ = true;
        if ((this->*done)()) break;
    }
    flag.store(0, std::memory_order_relaxed);
    return (this->*done)();
}

bool Channel::ready() const {
    if (has_buffered()) return true;
    return lane_ && (peer_gone_ || lane_readable());
}

bool Channel::arm() {
    if (!lane_) return !has_buffered();
    if (peer_gone_) return false;
    in_ring_->state().reader_sleeps.store(1, std::memory_order_seq_cst);
    if (!lane_readable()) return true;
    in_ring_->state().reader_sleeps.store(0, std::memory_order_relaxed);
    return false;
}

bool Channel::incoming() const noexcept {
    try {
        return lane_ && lane_readable();
    } catch (const LinkError&) {
        return true;
    }
}

bool Channel::has_room() const noexcept {
    try {
        return lane_ && lane_writable();
    } catch (const LinkError&) {
        return true;
    }
}

bool Channel::arm_for_room() {
    if (!lane_ || peer_gone_) return false;
    out_ring_->state().writer_sleeps.store(1, std::memory_order_seq_cst);
    if (!lane_writable()) return true;
    out_ring_->state().writer_sleeps.store(0, std::memory_order_relaxed);
    return false;
}

bool Channel::woken(bool socket_readable) {
    if (!lane_) return socket_readable || has_buffered();
    in_ring_->state().reader_sleeps.store(0, std::memory_order_relaxed);
    out_ring_->state().writer_sleeps.store(0, std::memory_order_relaxed);
    if (socket_readable) {
        std::uint8_t wake[64];
        ssize_t n = ::recv(fd_, wake, sizeof wake, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) peer_gone_ = true;
    }
    return has_buffered() || peer_gone_ || incoming() || (sending() && has_room());
}

void Channel::send_frame(MessageType type) {
    std::size_t payload = out_.size() - kFrameHeaderBytes;
    if (payload > kMaxFrameBytes) {
        throw LinkError(std::string(name_of(type)) + " message of " + std::to_string(payload) + " bytes is over the " +
                        std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    for (std::size_t i = 0; i < 4; ++i) out_[i] = static_cast<std::uint8_t>(payload >> (8 * i));
    out_[4] = static_cast<std::uint8_t>(type);
    if (!write_bytes(out_.data(), out_.size())) {
        throw PeerClosed(std::string("the other end closed the link while sending ") + name_of(type));
    }
}

void Channel::queue_frame(MessageType type) {
    const std::size_t payload = out_.size() - kFrameHeaderBytes;
    if (payload > kMaxFrameBytes) {
        throw LinkError(std::string(name_of(type)) + " message of " + std::to_string(payload) + " bytes is over the " +
                        std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    for (std::size_t i = 0; i < 4; ++i) out_[i] = static_cast<std::uint8_t>(payload >> (8 * i));
    out_[4] = static_cast<std::uint8_t>(type);
    if (!sending()) {
        queued_.swap(out_);  // the usual case: no copy of a large frame
        sent_ = 0;
    } else {
        queued_.insert(queued_.end(), out_.begin(), out_.end());
    }
}

bool Channel::flush() {
    while (sending()) {
        const std::uint8_t* data = queued_.data() + sent_;
        const std::size_t size = queued_.size() - sent_;
        std::size_t n = 0;
        if (lane_) {
            if (peer_gone_) throw PeerClosed("the other end closed the link");
            n = out_ring_->write(data, size);
            if (n > 0) ring_peer(out_ring_->state().reader_sleeps);
        } else {
            const ssize_t w = ::send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (w < 0 && (errno == EPIPE || errno == ECONNRESET)) throw PeerClosed("the other end closed the link");
            if (w < 0 && errno != EAGAIN && errno != EINTR) throw LinkError(system_error("writing to the link"));
            n = w > 0 ? std::size_t(w) : 0;
        }
        if (n == 0) return false;
        sent_ += n;
    }
    queued_.clear();
    sent_ = 0;
    return true;
}

// Moves what is left to the front and makes room for want bytes in all.
// Nothing to move before the first read: the buffer has no storage yet.
void Channel::make_room(std::size_t want) {
    if (in_.size() - begin_ >= want) return;
    if (end_ > begin_) std::memmove(in_.data(), in_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (in_.size() < want) in_.resize(std::max(want, kReadChunk));
}

bool Channel::fill_now(std::size_t want) {
    make_room(want);
    while (end_ - begin_ < want) {
        std::size_t n = 0;
        if (lane_) {
            if (!lane_readable()) return false;
            n = in_ring_->read(in_.data() + end_, in_.size() - end_);
            ring_peer(in_ring_->state().writer_sleeps);
        } else {
            const ssize_t r = ::recv(fd_, in_.data() + end_, in_.size() - end_, MSG_DONTWAIT);
            if (r == 0 || (r < 0 && errno == ECONNRESET)) peer_gone_ = true;
            if (r < 0 && errno != EAGAIN && errno != EINTR && errno != ECONNRESET) {
                throw LinkError(system_error("reading from the link"));
            }
            if (r <= 0) return false;
            n = std::size_t(r);
        }
        end_ += n;
    }
    return true;
}

std::optional<Frame> Channel::poll_receive() {
    if (begin_ == end_) begin_ = end_ = 0;
    const auto closed_inside = [&](const std::string& what) {
        if (peer_gone_ && !incoming()) throw LinkError("the link closed inside a " + what);
    };
    if (!fill_now(kFrameHeaderBytes)) {
        if (begin_ != end_) closed_inside("frame header");
        return std::nullopt;
    }
    const std::uint8_t* h = in_.data() + begin_;
    const std::uint32_t length =
        std::uint32_t{h[0]} | std::uint32_t{h[1]} << 8 | std::uint32_t{h[2]} << 16 | std::uint32_t{h[3]} << 24;
    const std::uint8_t type = h[4];
    if (type < 1 || type > 7) throw LinkError("frame of unknown message type " + std::to_string(type));
    const char* name = name_of(static_cast<MessageType>(type));
    if (length > kMaxFrameBytes) {
        throw LinkError(std::string(name) + " frame of " + std::to_string(length) + " bytes is over the " +
                        std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    if (!fill_now(kFrameHeaderBytes + length)) {
        closed_inside(std::string(name) + " frame");
        return std::nullopt;
    }
    Frame frame{static_cast<MessageType>(type), {in_.data() + begin_ + kFrameHeaderBytes, length}};
    begin_ += kFrameHeaderBytes + length;
    return frame;
}

bool Channel::fill(std::size_t want) {
    make_room(want);
    while (end_ - begin_ < want) {
        const std::size_t n = read_some(in_.data() + end_, in_.size() - end_);
        if (n == 0) return false;
        end_ += n;
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
    std::uint32_t length =
        std::uint32_t{h[0]} | std::uint32_t{h[1]} << 8 | std::uint32_t{h[2]} << 16 | std::uint32_t{h[3]} << 24;
    std::uint8_t type = h[4];
    if (type < 1 || type > 7) {
        throw LinkError("frame of unknown message type " + std::to_string(type));
    }
    if (length > kMaxFrameBytes) {
        throw LinkError(std::string(name_of(static_cast<MessageType>(type))) + " frame of " + std::to_string(length) +
                        " bytes is over the " + std::to_string(kMaxFrameBytes) + "-byte limit");
    }
    if (!fill(kFrameHeaderBytes + length)) {
        throw LinkError(std::string("the link closed inside a ") + name_of(static_cast<MessageType>(type)) + " frame");
    }
    Frame frame{static_cast<MessageType>(type), {in_.data() + begin_ + kFrameHeaderBytes, length}};
    begin_ += kFrameHeaderBytes + length;
    return frame;
}

}  // namespace arena::link
