// Decoding any message by its type byte, and the property every decoded
// message must keep: what the decoder accepts, the encoder writes back in a
// form the decoder reads to the same bytes again.
#ifndef FUZZ_LINK_DECODE_H
#define FUZZ_LINK_DECODE_H

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/messages.h"

namespace fuzz {

template <class Message>
void check_round_trip(const Message& m, Message (*decode)(std::span<const std::uint8_t>)) {
    std::vector<std::uint8_t> first, second;
    arena::link::encode(m, first);
    // A LinkError here escapes on purpose: the encoder wrote what its own
    // decoder refuses, which is a finding.
    arena::link::encode(decode(first), second);
    if (first != second) std::abort();  // encoder and decoder disagree on a layout
}

// Decodes payload as a message of the given type; throws LinkError for a
// malformed one, as the arena and the library see it.
inline void decode_and_check(arena::link::MessageType type, std::span<const std::uint8_t> payload) {
    using namespace arena::link;
    switch (type) {
    case MessageType::hello: check_round_trip(decode_hello(payload), decode_hello); break;
    case MessageType::welcome: check_round_trip(decode_welcome(payload), decode_welcome); break;
    case MessageType::step: check_round_trip(decode_step(payload), decode_step); break;
    case MessageType::sensors: check_round_trip(decode_sensors(payload), decode_sensors); break;
    case MessageType::image_request: check_round_trip(decode_image_request(payload), decode_image_request); break;
    case MessageType::image: check_round_trip(decode_image(payload), decode_image); break;
    case MessageType::stop: check_round_trip(decode_stop(payload), decode_stop); break;
    }
}

}  // namespace fuzz

#endif
