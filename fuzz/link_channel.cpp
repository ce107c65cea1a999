// Channel::receive on a socket fed with arbitrary bytes, as a controller
// reads the arena, and Channel::poll_receive on the same bytes, as the arena
// reads a controller that writes anything: frames are taken until the stream
// ends or the channel throws LinkError, and each frame's payload goes to its
// decoder.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/link_decode.h"
#include "link/channel.h"

namespace {

// Small enough that the whole input fits in the socket's buffer at once, so
// one thread can write it all and then read it.
constexpr std::size_t kMaxInput = 64 * 1024;

void feed(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) std::abort();
        data += n;
        size -= std::size_t(n);
    }
}

// Each frame to its decoder; a malformed payload in a well-framed stream
// leaves the framing intact, so the next frame is still read.
void decode(const arena::link::Frame& frame) {
    try {
        fuzz::decode_and_check(frame.type, frame.payload);
    } catch (const arena::link::LinkError&) {
    }
}

int socket_holding(const std::uint8_t* data, std::size_t size) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
    feed(fds[1], data, size);
    ::close(fds[1]);
    return fds[0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const int waiting = socket_holding(data, size);
    arena::link::Channel blocking(waiting);
    try {
        while (auto frame = blocking.receive()) decode(*frame);
    } catch (const arena::link::LinkError&) {
    }
    ::close(waiting);

    // The whole input is in the socket, its end too: what poll_receive does
    // not take now, it never will.
    const int polled = socket_holding(data, size);
    arena::link::Channel arena_side(polled);
    try {
        while (auto frame = arena_side.poll_receive()) decode(*frame);
    } catch (const arena::link::LinkError&) {
    }
    ::close(polled);
    return 0;
}
