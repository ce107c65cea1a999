// Bounds-checked little-endian encoding of fixed-width values.
//
// Both ends of the link are the same machine today, but the byte layout is
// fixed here so that a recording or a capture of the link means the same on
// any host. Every read checks that the bytes are there; a short or
// inconsistent message is a LinkError, never an overread.
#ifndef LINK_WIRE_H
#define LINK_WIRE_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace arena::link {

// Anything wrong with the link: a malformed message, a wrong version, a
// failed read or write. The text says what, for a one-line report.
class LinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends values to a byte vector.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void i16(std::int16_t v);
    void i32(std::int32_t v);
    void f32(float v);
    void f64(double v);
    void raw(std::span<const std::uint8_t> bytes);
    // A u16 length, then the bytes (names: at most 65535 bytes).
    void string16(std::string_view s);
    // A u32 length, then the bytes (console text, packets, images).
    void bytes32(std::span<const std::uint8_t> bytes);

private:
    std::vector<std::uint8_t>& out_;
};

// Reads values from a byte span, in order. `what` names the message being
// read, so that an error says where it happened.
class Reader {
public:
    Reader(std::span<const std::uint8_t> in, const char* what) : in_(in), what_(what) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int16_t i16();
    std::int32_t i32();
    float f32();
    double f64();
    std::span<const std::uint8_t> raw(std::size_t n);
    std::string string16();
    std::span<const std::uint8_t> bytes32();

    // Checks that a count of items, each at least item_size bytes, can fit
    // in what is left: rejects absurd counts before anything is allocated.
    void check_count(std::size_t count, std::size_t item_size) const;
    // The message must be used up: trailing bytes mean the two ends disagree.
    void finish() const;
    std::size_t remaining() const { return in_.size() - pos_; }

    [[noreturn]] void fail(const std::string& why) const;

private:
    std::span<const std::uint8_t> take(std::size_t n);

    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
    const char* what_;
};

}  // namespace arena::link

#endif
