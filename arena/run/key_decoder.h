// Terminal bytes to key codes: arrows 316 left, 317 up, 318 right, 319 down,
// letters upper case, other printable bytes as they are. An escape sequence
// split across reads is finished on the next one.
#ifndef ARENA_RUN_KEY_DECODER_H
#define ARENA_RUN_KEY_DECODER_H

#include <string>
#include <vector>

namespace arena {

class KeyDecoder {
public:
    std::vector<int> decode(const std::string& bytes);

private:
    std::string pending_;
};

}  // namespace arena

#endif
