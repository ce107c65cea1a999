// A lane's ring whose counters and bytes come from the fuzz input, as a
// controller could leave them in the shared region, then a sequence of reads,
// writes and further corruptions. The ring must answer only with LinkError,
// never touch memory outside its bytes (the buffers here are exactly sized,
// so the sanitizer sees any overrun), and while its counters are sound it
// must hand bytes out first in, first out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "link/lane.h"

namespace {

// Reads the input front to back; past its end every value is 0.
struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::uint64_t take(std::size_t bytes) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < bytes && size > 0; ++i, ++data, --size) v |= std::uint64_t{*data} << (8 * i);
        return v;
    }
};

enum class Op { read, write, measure, corrupt_head, corrupt_tail };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using arena::link::LinkError;
    Input in{data, size};
    // A power of two, as the lane's rings are: only then do counters that
    // wrap past 2^64 keep their place in the ring.
    const std::size_t capacity = std::size_t{1} << (in.take(1) % 9);
    auto bytes = std::make_unique<std::uint8_t[]>(capacity);
    for (std::size_t i = 0; i < capacity; ++i) bytes[i] = std::uint8_t(in.take(1));
    arena::link::RingState state{};
    const std::uint64_t head = in.take(8);
    const std::uint64_t tail = head - in.take(2);  // often sound, sometimes not
    state.head = head;
    state.tail = tail;
    arena::link::Ring ring(&state, bytes.get(), capacity);

    // What the ring holds, while its counters are sound.
    bool sound = head - tail <= capacity;
    std::deque<std::uint8_t> model;
    for (std::uint64_t i = tail; sound && i != head; ++i) model.push_back(bytes[i % capacity]);

    std::uint8_t next = 0;  // bytes written count up, so a mix-up shows
    while (in.size > 0) {
        const auto op = Op(in.take(1) % 5);
        const std::size_t n = std::size_t(in.take(1));
        try {
            switch (op) {
            case Op::read: {
                std::vector<std::uint8_t> out(n);
                const std::size_t got = ring.read(out.data(), n);
                if (got > n) std::abort();
                for (std::size_t i = 0; sound && i < got; ++i) {
                    if (model.empty() || model.front() != out[i]) std::abort();
                    model.pop_front();
                }
                break;
            }
            case Op::write: {
                std::vector<std::uint8_t> src(n);
                for (auto& b : src) b = next++;
                const std::size_t put = ring.write(src.data(), n);
                if (put > n) std::abort();
                model.insert(model.end(), src.begin(), src.begin() + std::ptrdiff_t(put));
                break;
            }
            case Op::measure:
                if (ring.readable() + ring.writable() != capacity) std::abort();
                if (sound && ring.readable() != model.size()) std::abort();
                break;
            case Op::corrupt_head:
                state.head += n;
                sound = false;
                break;
            case Op::corrupt_tail:
                state.tail -= n;
                sound = false;
                break;
            }
        } catch (const LinkError&) {
            if (state.head.load() - state.tail.load() <= capacity) std::abort();  // refused sound counters
        }
    }
    return 0;
}
