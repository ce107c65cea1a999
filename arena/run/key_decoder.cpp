#include "arena/run/key_decoder.h"

#include <cctype>

namespace arena {

std::vector<int> KeyDecoder::decode(const std::string& bytes) {
    std::vector<int> codes;
    pending_ += bytes;
    std::size_t i = 0;
    while (i < pending_.size()) {
        unsigned char c = static_cast<unsigned char>(pending_[i]);
        if (c == 0x1b) {
            if (i + 2 >= pending_.size()) break;  // wait for the rest of the sequence
            char kind = pending_[i + 1], arrow = pending_[i + 2];
            if ((kind == '[' || kind == 'O') && arrow >= 'A' && arrow <= 'D') {
                static constexpr int kArrow[] = {317, 319, 318, 316};  // A up, B down, C right, D left
                codes.push_back(kArrow[arrow - 'A']);
                i += 3;
            } else {
                i += 1;  // a lone escape or a sequence we do not know
            }
        } else {
            if (std::isprint(c)) codes.push_back(std::toupper(c));
            i += 1;
        }
    }
    pending_.erase(0, i);
    return codes;
}

}  // namespace arena
