// What pages may ask of a live run, checked at the door, and the token that
// guards it.
#include <gtest/gtest.h>

#include <set>

#include <mujoco/mujoco.h>

#include <nlohmann/json.hpp>

#include "arena/live/live_feed.h"
#include "arena/live/live_hub.h"
#include "arena/live/page_message.h"
#include "arena/live/token.h"
#include "arena/tests/temp_world.h"
#include "arena/world/world.h"

namespace arena {
namespace {

TEST(PageMessage, TheCommandsAPageSends) {
    auto key = std::get<PageCommand>(parse_page_message(R"({"type":"key","code":317,"down":true})"));
    EXPECT_EQ(key.kind, PageCommandKind::key_down);
    EXPECT_EQ(key.code, 317);
    EXPECT_EQ(key.robot, "");
    auto up = std::get<PageCommand>(parse_page_message(R"({"type":"key","code":80,"down":false,"robot":"a"})"));
    EXPECT_EQ(up.kind, PageCommandKind::key_up);
    EXPECT_EQ(up.robot, "a");
    EXPECT_EQ(std::get<PageCommand>(parse_page_message(R"({"type":"speed","value":0.25})")).speed, 0.25);
    EXPECT_EQ(std::get<PageCommand>(parse_page_message(R"({"type":"speed","value":"max"})")).speed, 0.0);
    EXPECT_EQ(std::get<PageCommand>(parse_page_message(R"({"type":"step"})")).kind, PageCommandKind::step);
}

class BadPageMessage : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BadPageMessage, IsRefusedWithItsReason) {
    const auto& [text, reason] = GetParam();
    auto parsed = parse_page_message(text);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << text;
    EXPECT_NE(std::get<std::string>(parsed).find(reason), std::string::npos) << std::get<std::string>(parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Door, BadPageMessage,
    ::testing::Values(
        std::pair{std::string("{\"type\":"), std::string("not a JSON object")},
        std::pair{std::string("[1,2]"), std::string("not a JSON object")},
        std::pair{std::string(R"({"kind":"pause"})"), std::string("no \"type\"")},
        std::pair{std::string(R"({"type":"explode"})"), std::string("unknown type")},
        std::pair{std::string(R"({"type":"key","code":0,"down":true})"), std::string("from 1 to 65535")},
        std::pair{std::string(R"({"type":"key","code":3.5,"down":true})"), std::string("from 1 to 65535")},
        std::pair{std::string(R"({"type":"key","code":80})"), std::string("\"down\"")},
        std::pair{std::string(R"({"type":"key","code":80,"down":true,"robot":7})"), std::string("robot")},
        std::pair{std::string(R"({"type":"speed","value":9})"), std::string("0.25 to 8")},
        std::pair{std::string(R"({"type":"speed","value":0})"), std::string("0.25 to 8")},
        std::pair{std::string(R"({"type":"speed"})"), std::string("\"value\"")},
        std::pair{std::string(R"({"type":"pause","pad":")") + std::string(600, 'x') + "\"}", std::string("too long")}));

// A robot printing in every step of a run going as fast as it goes: a
// frame carries the latest lines and counts the rest, so neither the frame
// nor the page that keeps it grows with the run.
TEST(LiveFeed, AFrameCarriesTheLatestLinesAndCountsTheOthers) {
    testing::TempWorld w;
    w.write("scene.xml", testing::kSmallScene);
    w.program("ctl");
    w.write("world.toml", "[[robot]]\nname = \"box\"\nbody = \"box\"\ncontroller = \"ctl\"\ndrive = \"custom\"\n");
    const auto world = load_world(w.folder(), w.folder());
    const mjModel* m = world->scene.model();
    mjData* d = mj_makeData(m);
    LiveHub hub;
    LiveFeed feed(hub, *world, 10);
    hub.page_opened();
    const std::size_t printed = 3 * LiveFeed::kKeptLines;
    for (std::size_t i = 0; i < printed; ++i) feed.console(0.032 * i, "box", "console", "line " + std::to_string(i));
    feed.publish(1.0, m, d, RunControl{}, nlohmann::json::object());
    mj_deleteData(d);
    std::uint64_t seq = 0, lost = 0;
    const auto frames = hub.frames_after(seq, std::chrono::milliseconds(0), lost);
    ASSERT_EQ(frames.size(), 1u);
    const auto frame = nlohmann::json::parse(frames[0]);
    ASSERT_EQ(frame["console"].size(), LiveFeed::kKeptLines);
    EXPECT_EQ(frame["console"].back()[3], "line " + std::to_string(printed - 1));
    EXPECT_EQ(frame["droppedLines"], printed - LiveFeed::kKeptLines);
}

TEST(Token, HasAtLeast128RandomBitsAndComparesWhole) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        const std::string t = new_token();
        EXPECT_EQ(t.size(), 32u);
        EXPECT_EQ(t.find_first_not_of("0123456789abcdef"), std::string::npos);
        seen.insert(t);
    }
    EXPECT_EQ(seen.size(), 64u);
    const std::string t = *seen.begin();
    EXPECT_TRUE(same_token(t, t));
    EXPECT_FALSE(same_token(t.substr(0, 31), t));
    EXPECT_FALSE(same_token(t.substr(0, 31) + (t.back() == 'a' ? "b" : "a"), t));
    EXPECT_FALSE(same_token("", t));
}

}  // namespace
}  // namespace arena
