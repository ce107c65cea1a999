// The wind a trace records becomes a series of the robot, for its plot.
#include <gtest/gtest.h>

#include "arena/report/write_report.h"
#include "recording_fixture.h"

namespace arena {
namespace {

TEST(ReportData, WindOnABodyIsASeriesPerAxisFromTheStepItStarts) {
    testing::RecordingFixture rec;
    rec.append("traces/airship.jsonl", R"({"step":21,"t":0.64,"ms":32,"samples":{},"commands":{},"wind":[0.5,0,-0.25]})"
                                       "\n");
    const auto series = report_data(rec.dir(), {})["robots"]["airship"]["series"];
    ASSERT_TRUE(series.contains("wind.x"));
    EXPECT_TRUE(series["wind.x"][0].is_null()) << "no wind before the step that recorded one";
    EXPECT_EQ(series["wind.x"][20], 0.5);
    EXPECT_EQ(series["wind.z"][20], -0.25);
    EXPECT_FALSE(report_data(testing::RecordingFixture().dir(), {})["robots"]["airship"]["series"].contains("wind.x"));
}

}  // namespace
}  // namespace arena
