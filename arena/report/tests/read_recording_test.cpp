// What the report takes from a recording: tracks, series, events, console,
// and how it copes with long, cut-off, broken or partial recordings.
#include <gtest/gtest.h>

#include <filesystem>

#include "arena/report/recording_lines.h"
#include "arena/report/write_report.h"
#include "recording_fixture.h"

namespace arena {
namespace {

using testing::RecordingFixture;

bool has_note(const nlohmann::json& data, const std::string& words) {
    for (const auto& note : data["notes"]) {
        if (note.get<std::string>().find(words) != std::string::npos) return true;
    }
    return false;
}

TEST(ReportData, TracksMovingBodiesFrameByFrameAndStillBodiesOnce) {
    RecordingFixture rec;
    const auto data = report_data(rec.dir(), {});
    const auto& airship = data["poses"]["airship"];
    ASSERT_EQ(airship["t"].size(), 20u);
    ASSERT_EQ(airship["p"].size(), 140u);
    EXPECT_DOUBLE_EQ(airship["p"][7 * 19].get<double>(), 1.9);  // x of the last frame
    EXPECT_DOUBLE_EQ(airship["p"][7 * 19 + 2].get<double>(), -0.95);
    EXPECT_EQ(data["poses"]["gate0"]["t"].size(), 1u);
    EXPECT_EQ(data["poses"]["gate0"]["p"], nlohmann::json({1, 1.8, 3, 1, 0, 0, 0}));
}

TEST(ReportData, TracesBecomeSeriesPerQuantityAndEventLists) {
    RecordingFixture rec;
    const auto data = report_data(rec.dir(), {});
    const auto& airship = data["robots"]["airship"];
    EXPECT_EQ(airship["steps"], 20);
    EXPECT_EQ(airship["devices"], nlohmann::json({{"ds0", "distance_sensor"}, {"gps", "gps"}}));
    EXPECT_EQ(airship["series"]["ds0"][3], 30);
    EXPECT_DOUBLE_EQ(airship["series"]["gps.x"][19].get<double>(), 1.9);
    EXPECT_DOUBLE_EQ(airship["series"]["gps.y"][0].get<double>(), 1.5);
    EXPECT_DOUBLE_EQ(airship["series"]["fy"][5].get<double>(), 2.45);
    EXPECT_DOUBLE_EQ(airship["series"]["ty"][10].get<double>(), 0.1);
    EXPECT_FALSE(airship["series"].contains("wheel_left")) << "no wheel speeds were ever sent";

    const auto& listener = data["robots"]["listener"];
    EXPECT_EQ(listener["devices"], nlohmann::json({{"ircom", "receiver"}}));
    ASSERT_EQ(listener["packets"].size(), 4u);
    EXPECT_EQ(listener["packets"][1], nlohmann::json({0.16, 2, "4869"}));

    const auto& beacon = data["robots"]["beacon"];
    EXPECT_EQ(beacon["enabled"], nlohmann::json({"emitter"})) << "named before anything is heard or sent";
    EXPECT_EQ(beacon["sent"], nlohmann::json({{0, "emitter", "4869"}, {0, "emitter", "21"}, {0.064, "emitter", "ff"}}));
}

TEST(ReportData, RobotsComeInTheWorldsOrderThenUnlistedTracesByName) {
    RecordingFixture rec;
    rec.write("recording.json", R"({"robots":[{"name":"listener","devices":[]},{"name":"ghost","devices":[]},)"
                                R"({"name":"airship","devices":[{"name":"ds0","type":"distance_sensor"}]}]})");
    const auto data = report_data(rec.dir(), {});
    EXPECT_EQ(data["robotOrder"], nlohmann::json({"listener", "airship", "beacon"})) << "ghost left no trace";
}

TEST(ReportData, ConsoleLinesKeepOrderAndLoseTheLogsEscapes) {
    RecordingFixture rec;
    const auto data = report_data(rec.dir(), {});
    ASSERT_EQ(data["console"].size(), 2u);
    EXPECT_EQ(data["console"][0], nlohmann::json({0.0, "airship", "console", "tab\there \\ back"}));
    EXPECT_EQ(data["console"][1][1], "listener");

    const auto limited = report_data(rec.dir(), {.console_lines = 1});
    EXPECT_EQ(limited["console"].size(), 1u);
    EXPECT_EQ(limited["consoleOmitted"], 1);
}

TEST(ReportData, OddBodyNamesAndConsoleBytesReadBackAndMeetTheirScene) {
    RecordingFixture rec;
    rec.append("poses.csv",
               "0,\"a,b\",1,2,3,1,0,0,0\n0,\"two\nlines \"\"q\"\"\",1,2,3,1,0,0,0\n0,\xe9t\xe9,1,2,3,1,0,0,0\n");
    rec.write("scene.json", R"({"bodies":[{"name":"a,b","geoms":[]},{"name":{"hex":"e974e9"},"geoms":[]}]})");
    rec.write("console.log", "0.000\tairship\tconsole\t\\xe9t\\xe9 \\\\ \\x01\n");
    const auto data = report_data(rec.dir(), {});
    EXPECT_TRUE(data["poses"].contains("a,b"));
    EXPECT_TRUE(data["poses"].contains("two\\x0alines \"q\""));
    EXPECT_TRUE(data["poses"].contains("\\xe9t\\xe9"));
    EXPECT_EQ(data["scene"]["bodies"][1]["name"], "\\xe9t\\xe9") << "named as its poses are";
    EXPECT_EQ(data["console"][0][3], "\\xe9t\\xe9 \\ \\x01");

    rec.write("console.log", "0.000\tairship\tconsole\tlone \\ backslash\n0.1\tairship\tconsole\tok\n");
    EXPECT_THROW(report_data(rec.dir(), {}), RecordingError) << "a log that does not decode is not guessed at";
}

TEST(ReportData, LongRunsAreThinnedForTheViewButTheRecordingIsUntouched) {
    RecordingFixture rec(100);
    const std::string poses_before = rec.read("poses.csv"), trace_before = rec.read("traces/airship.jsonl");
    const auto data = report_data(rec.dir(), {.frames = 10, .steps = 10});

    const auto& times = data["poses"]["airship"]["t"];
    EXPECT_LE(times.size(), 10u);
    EXPECT_EQ(times.front(), 0);
    EXPECT_DOUBLE_EQ(times.back().get<double>(), 0.032 * 99) << "the last frame is always kept";
    const auto& airship = data["robots"]["airship"];
    EXPECT_EQ(airship["steps"], 100);
    EXPECT_LE(airship["t"].size(), 10u);
    EXPECT_EQ(airship["series"]["ds0"].size(), airship["t"].size());
    EXPECT_EQ(data["robots"]["listener"]["packets"].size(), 20u) << "events are never thinned";
    EXPECT_TRUE(has_note(data, "every 11th recorded pose of 100"));

    EXPECT_EQ(rec.read("poses.csv"), poses_before);
    EXPECT_EQ(rec.read("traces/airship.jsonl"), trace_before);
}

TEST(ReportData, CutOffLastLineIsLeftOutButBrokenLineElsewhereIsAnError) {
    RecordingFixture rec;
    rec.append("poses.csv", "0.64,airship,2.0,1.5");
    rec.append("traces/airship.jsonl", R"({"step":20,"t":0.64,"samp)");
    const auto data = report_data(rec.dir(), {});
    EXPECT_EQ(data["poses"]["airship"]["t"].size(), 20u);
    EXPECT_EQ(data["robots"]["airship"]["steps"], 20);
    EXPECT_TRUE(has_note(data, "poses.csv: its last line is cut short"));
    EXPECT_TRUE(has_note(data, "airship.jsonl: its last line is cut short"));

    std::string trace = rec.read("traces/airship.jsonl");
    trace.insert(trace.find('\n', trace.find('\n') + 1) + 1, "{not json\n");
    rec.write("traces/airship.jsonl", trace);
    try {
        report_data(rec.dir(), {});
        FAIL() << "a broken line in the middle went unnoticed";
    } catch (const RecordingError& e) {
        EXPECT_NE(std::string(e.what()).find("airship.jsonl:3:"), std::string::npos) << e.what();
    }

    rec.write("poses.csv", "time,body,x,y,z,qw,qx,qy,qz\n0,airship,1,2,x,1,0,0,0\n");
    EXPECT_THROW(report_data(rec.dir(), {}), RecordingError);
}

TEST(ReportData, NeedsSceneAndPosesAndNotesWhatElseIsMissing) {
    RecordingFixture rec;
    std::filesystem::remove(rec.dir() / "summary.json");
    std::filesystem::remove(rec.dir() / "console.log");
    std::filesystem::remove_all(rec.dir() / "traces");
    const auto data = report_data(rec.dir(), {});
    EXPECT_TRUE(data["summary"].is_null());
    EXPECT_TRUE(data["console"].empty());
    EXPECT_TRUE(data["robots"].empty());
    EXPECT_TRUE(has_note(data, "no summary.json"));

    std::filesystem::remove(rec.dir() / "scene.json");
    EXPECT_THROW(report_data(rec.dir(), {}), RecordingError);
    EXPECT_THROW(report_data(rec.dir() / "nowhere", {}), RecordingError);
}

}  // namespace
}  // namespace arena
