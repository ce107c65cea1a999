// The link's decoders on arbitrary payloads: the first byte picks the message
// type, the rest is its payload. A LinkError is the expected answer to a
// malformed payload; anything else (another exception, a sanitizer report,
// a message that does not survive re-encoding) is a finding.
#include <cstddef>
#include <cstdint>

#include "fuzz/link_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto type = static_cast<arena::link::MessageType>(data[0] % 7 + 1);
    try {
        fuzz::decode_and_check(type, {data + 1, size - 1});
    } catch (const arena::link::LinkError&) {
    }
    return 0;
}
