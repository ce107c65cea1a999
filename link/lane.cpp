#include "link/lane.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arena::link {

namespace {

constexpr std::uint32_t kMagic = 0x454e414c;  // "LANE"
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 4096;  // the header and both rings' counters
constexpr std::size_t kRegionBytes = kHeaderBytes + 2 * Lane::kRingBytes;

// The first page: which region this is, then the counters of ring 0 (arena
// to controller) and ring 1 (controller to arena).
struct Header {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint64_t ring_bytes;
    RingState rings[2];
};
static_assert(sizeof(Header) <= kHeaderBytes);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the rings need lock-free counters");

std::string system_error(const char* what) { return std::string(what) + " failed: " + std::strerror(errno); }

// Populated at once: otherwise both sides take a page fault on the first
// pass over every page of the rings, in the middle of the run.
void* map(int fd) {
    void* base = mmap(nullptr, kRegionBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (base == MAP_FAILED) throw LinkError(system_error("mapping the lane"));
    return base;
}

}  // namespace

std::size_t Ring::readable() const {
    const std::uint64_t head = s_->head.load(std::memory_order_acquire);
    const std::uint64_t tail = s_->tail.load(std::memory_order_relaxed);
    if (head - tail > capacity_) throw LinkError("the lane's ring counters are corrupt");
    return std::size_t(head - tail);
}

std::size_t Ring::writable() const {
    const std::uint64_t head = s_->head.load(std::memory_order_relaxed);
    const std::uint64_t tail = s_->tail.load(std::memory_order_acquire);
    if (head - tail > capacity_) throw LinkError("the lane's ring counters are corrupt");
    return capacity_ - std::size_t(head - tail);
}

std::size_t Ring::read(std::uint8_t* out, std::size_t size) {
    const std::size_t n = std::min(size, readable());
    if (n == 0) return 0;  // out may be null then, which memcpy does not allow
    const std::uint64_t tail = s_->tail.load(std::memory_order_relaxed);
    const std::size_t at = std::size_t(tail % capacity_), first = std::min(n, capacity_ - at);
    std::memcpy(out, bytes_ + at, first);
    std::memcpy(out + first, bytes_, n - first);
    // seq_cst: ordered before the load of writer_sleeps that follows.
    s_->tail.store(tail + n, std::memory_order_seq_cst);
    return n;
}

std::size_t Ring::write(const std::uint8_t* in, std::size_t size) {
    const std::size_t n = std::min(size, writable());
    if (n == 0) return 0;  // in may be null then, which memcpy does not allow
    const std::uint64_t head = s_->head.load(std::memory_order_relaxed);
    const std::size_t at = std::size_t(head % capacity_), first = std::min(n, capacity_ - at);
    std::memcpy(bytes_ + at, in, first);
    std::memcpy(bytes_, in + first, n - first);
    // seq_cst: ordered before the load of reader_sleeps that follows.
    s_->head.store(head + n, std::memory_order_seq_cst);
    return n;
}

Lane Lane::create() {
    int fd = memfd_create("arena-lane", MFD_CLOEXEC);
    if (fd < 0) throw LinkError(system_error("memfd_create for the lane"));
    if (ftruncate(fd, off_t(kRegionBytes)) != 0) {
        const std::string why = system_error("sizing the lane");
        ::close(fd);
        throw LinkError(why);
    }
    void* base;
    try {
        base = map(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    // A fresh memfd reads as zeros: every counter and flag starts at 0.
    auto* h = new (base) Header{};
    h->magic = kMagic;
    h->version = kVersion;
    h->ring_bytes = kRingBytes;
    return Lane(base, fd);
}

Lane Lane::attach(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) throw LinkError(system_error("looking at the lane's descriptor"));
    if (!S_ISREG(st.st_mode) || std::size_t(st.st_size) != kRegionBytes) {
        throw LinkError("descriptor " + std::to_string(fd) + " is not an arena lane");
    }
    void* base = map(fd);
    ::close(fd);
    const auto* h = static_cast<const Header*>(base);
    if (h->magic != kMagic || h->version != kVersion || h->ring_bytes != kRingBytes) {
        munmap(base, kRegionBytes);
        throw LinkError("descriptor " + std::to_string(fd) + " is not an arena lane of version " +
                        std::to_string(kVersion));
    }
    return Lane(base, -1);
}

Lane::Lane(Lane&& other) noexcept : base_(other.base_), fd_(other.fd_) {
    other.base_ = nullptr;
    other.fd_ = -1;
}

Lane::~Lane() {
    if (base_) munmap(base_, kRegionBytes);
    if (fd_ >= 0) ::close(fd_);
}

Ring Lane::ring(int index) const {
    auto* h = static_cast<Header*>(base_);
    auto* bytes = static_cast<std::uint8_t*>(base_) + kHeaderBytes + std::size_t(index) * kRingBytes;
    return Ring(&h->rings[index], bytes, kRingBytes);
}

Ring Lane::outgoing(LaneSide side) const { return ring(side == LaneSide::arena ? 0 : 1); }
Ring Lane::incoming(LaneSide side) const { return ring(side == LaneSide::arena ? 1 : 0); }

}  // namespace arena::link
