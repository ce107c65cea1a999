#include "link/wire.h"

#include <bit>
#include <limits>

namespace arena::link {

namespace {

template <class U>
void put_le(std::vector<std::uint8_t>& out, U v) {
    for (std::size_t i = 0; i < sizeof(U); ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

template <class U>
U get_le(std::span<const std::uint8_t> b) {
    U v = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) {
        v = static_cast<U>(v | static_cast<U>(static_cast<U>(b[i]) << (8 * i)));
    }
    return v;
}

}  // namespace

void Writer::u8(std::uint8_t v) { out_.push_back(v); }
void Writer::u16(std::uint16_t v) { put_le(out_, v); }
void Writer::u32(std::uint32_t v) { put_le(out_, v); }
void Writer::i16(std::int16_t v) { put_le(out_, static_cast<std::uint16_t>(v)); }
void Writer::i32(std::int32_t v) { put_le(out_, static_cast<std::uint32_t>(v)); }
void Writer::f32(float v) { put_le(out_, std::bit_cast<std::uint32_t>(v)); }
void Writer::f64(double v) { put_le(out_, std::bit_cast<std::uint64_t>(v)); }

void Writer::raw(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

void Writer::string16(std::string_view s) {
    if (s.size() > std::numeric_limits<std::uint16_t>::max()) {
        throw LinkError("name of " + std::to_string(s.size()) + " bytes is over the 65535-byte limit");
    }
    u16(static_cast<std::uint16_t>(s.size()));
    raw({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

void Writer::bytes32(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw LinkError("block of " + std::to_string(bytes.size()) + " bytes is too large");
    }
    u32(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
}

void Reader::fail(const std::string& why) const {
    throw LinkError(std::string("malformed ") + what_ + " message: " + why);
}

std::span<const std::uint8_t> Reader::take(std::size_t n) {
    if (n > remaining()) {
        fail("needs " + std::to_string(n) + " more bytes at offset " + std::to_string(pos_) + " but only " +
             std::to_string(remaining()) + " remain");
    }
    auto s = in_.subspan(pos_, n);
    pos_ += n;
    return s;
}

std::uint8_t Reader::u8() { return take(1)[0]; }
std::uint16_t Reader::u16() { return get_le<std::uint16_t>(take(2)); }
std::uint32_t Reader::u32() { return get_le<std::uint32_t>(take(4)); }
std::int16_t Reader::i16() { return static_cast<std::int16_t>(u16()); }
std::int32_t Reader::i32() { return static_cast<std::int32_t>(u32()); }
float Reader::f32() { return std::bit_cast<float>(u32()); }
double Reader::f64() { return std::bit_cast<double>(get_le<std::uint64_t>(take(8))); }
std::span<const std::uint8_t> Reader::raw(std::size_t n) { return take(n); }

std::string Reader::string16() {
    auto b = take(u16());
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

std::span<const std::uint8_t> Reader::bytes32() { return take(u32()); }

void Reader::check_count(std::size_t count, std::size_t item_size) const {
    if (item_size != 0 && count > remaining() / item_size) {
        fail("count " + std::to_string(count) + " of " + std::to_string(item_size) + "-byte items exceeds the " +
             std::to_string(remaining()) + " bytes left");
    }
}

void Reader::finish() const {
    if (remaining() != 0) {
        fail(std::to_string(remaining()) + " unexpected bytes at the end");
    }
}

}  // namespace arena::link
