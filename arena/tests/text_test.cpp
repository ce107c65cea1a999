// Text as the recording keeps it: console prints joined into whole lines,
// and lines escaped so that each stays one line and one field.
#include <gtest/gtest.h>

#include "arena/process/line_joiner.h"
#include "arena/record/console_log.h"
#include "arena/record/trace_json.h"

namespace arena {
namespace {

TEST(LineJoiner, JoinsPiecesAndSplitsLines) {
    LineJoiner j;
    EXPECT_TRUE(j.add("received 6 bytes: ").empty());  // ir_listener's two prints
    EXPECT_EQ(j.add("hello\n"), (std::vector<std::string>{"received 6 bytes: hello"}));
    EXPECT_EQ(j.add("a\n\nb\nc"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(j.finish(), (std::vector<std::string>{"c"}));  // nothing lost at the end
    EXPECT_TRUE(j.finish().empty());
}

TEST(EscapeText, BackslashTabAndControlBytes) {
    EXPECT_EQ(escape_text("plain text"), "plain text");
    EXPECT_EQ(escape_text("a\\b\tc"), "a\\\\b\\tc");
    EXPECT_EQ(escape_text(std::string("\r\x01\x7f", 3)), "\\x0d\\x01\\x7f");
    EXPECT_EQ(escape_text("Cámara"), "Cámara");  // UTF-8 passes as it is
}

TEST(Hex, LowerCaseTwoDigitsPerByte) {
    std::vector<std::uint8_t> bytes{0x00, 0xa0, 0x3f, 0xff};
    EXPECT_EQ(hex(bytes), "00a03fff");
}

}  // namespace
}  // namespace arena
