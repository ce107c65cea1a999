// The infrared link end to end: what the listeners print is exactly what the
// beacon's packets imply, one step after each was sent, and robots out of
// range or behind the screen hear nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "recording.h"

namespace worlds_test {
namespace {

struct Sent {
    double time;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> unhex(const std::string& h) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::string format(const char* fmt, double v) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string seconds(double t) { return format("%.3f", t); }

class IrLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp = new TempDir;
        result =
            new ArenaResult(run_arena({"run", world("ir_link").string(), "--record", (tmp->path() / "rec").string()}));
    }
    static void TearDownTestSuite() {
        delete result;
        delete tmp;
    }
    static std::filesystem::path rec() { return tmp->path() / "rec"; }

    // Every packet the beacon sent that a listener's later step could report.
    static std::vector<Sent> sent() {
        std::vector<Sent> packets;
        double last_wake = read_trace(rec(), "receiver").back()["t"];
        for (const auto& step : read_trace(rec(), "beacon")) {
            if (!step["commands"].contains("emit")) continue;
            for (const auto& h : step["commands"]["emit"]["emitter"]) {
                if (step["t"].get<double>() < last_wake - 1e-9) packets.push_back({step["t"], unhex(h)});
            }
        }
        return packets;
    }

    // time<TAB>text of one robot's console lines.
    static std::vector<std::string> timed(const std::string& robot) {
        std::vector<std::string> out;
        for (const auto& l : read_console(rec())) {
            if (l.robot == robot && l.stream == "console") out.push_back(seconds(l.time) + "\t" + l.text);
        }
        return out;
    }

    static TempDir* tmp;
    static ArenaResult* result;
};
TempDir* IrLink::tmp;
ArenaResult* IrLink::result;

TEST_F(IrLink, RunCompletes) {
    EXPECT_EQ(result->status, 0) << result->err;
    EXPECT_GE(sent().size(), 8u);  // a packet about every second for 12 s
}

TEST_F(IrLink, ReceiverPrintsSizeAndNumberOfEachPacket) {
    std::vector<std::string> expected;
    for (const Sent& p : sent()) {
        std::string at = seconds(p.time + 0.064) + "\t";
        expected.push_back(at + std::to_string(p.bytes.size()) + " Bytes recibidos");
        float value;
        ASSERT_GE(p.bytes.size(), 4u);
        std::memcpy(&value, p.bytes.data(), 4);  // little-endian, as this machine
        expected.push_back(at + format("%f", double(value)));
    }
    EXPECT_EQ(timed("receiver"), expected);
}

TEST_F(IrLink, ListenerPrintsSizeAndTextOnOneLine) {
    std::vector<std::string> expected{"0.000\treset: robot name is listener", "0.000\tdevice tags are 1 2 3"};
    for (const Sent& p : sent()) {
        std::string text(p.bytes.begin(), p.bytes.end());
        text = text.substr(0, text.find('\0'));
        expected.push_back(seconds(p.time + 0.064) + "\treceived " + std::to_string(p.bytes.size()) +
                           " bytes: " + text);
    }
    EXPECT_EQ(timed("listener"), expected);
}

TEST_F(IrLink, OutOfRangeAndShadowedHearNothing) {
    for (const char* robot : {"shadowed", "distant"}) {
        EXPECT_TRUE(timed(robot).empty()) << robot;
        auto trace = read_trace(rec(), robot);
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(trace[0]["commands"]["enable"]["ircom"], 64) << robot << " was listening";
        for (const auto& step : trace) EXPECT_FALSE(step["samples"].contains("ircom")) << robot;
    }
}

}  // namespace
}  // namespace worlds_test
