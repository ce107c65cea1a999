// The live view's secret: every request and the live connection must carry
// it, so that another user of the machine, or a web page in the user's own
// browser, cannot watch or fly the run.
#ifndef ARENA_LIVE_TOKEN_H
#define ARENA_LIVE_TOKEN_H

#include <string>
#include <string_view>

namespace arena {

// 128 random bits from the kernel (getrandom), as 32 lower-case hex digits.
// Throws std::runtime_error if the kernel gives none.
std::string new_token();

// Compares in a time that does not depend on where the two differ.
bool same_token(std::string_view given, std::string_view token);

}  // namespace arena

#endif
