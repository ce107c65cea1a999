// Channel::receive on a socket fed with arbitrary bytes, as the arena reads a
// controller that writes anything: frames are taken until the stream ends or
// the channel throws LinkError, and each frame's payload goes to its decoder.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
    feed(fds[1], data, size);
    ::close(fds[1]);
    arena::link::Channel channel(fds[0]);
    try {
        while (auto frame = channel.receive()) {
            try {
                fuzz::decode_and_check(frame->type, frame->payload);
            } catch (const arena::link::LinkError&) {
                // A malformed payload in a well-framed stream: the next frame
                // is still read, as a decoder's refusal leaves the framing intact.
            }
        }
    } catch (const arena::link::LinkError&) {
    }
    ::close(fds[0]);
    return 0;
}
