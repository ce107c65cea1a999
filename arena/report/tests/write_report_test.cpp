// The page itself: one file with everything inside, safe whatever the
// robots printed, written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "arena/report/bundle.h"
#include "arena/report/write_report.h"
#include "recording_fixture.h"

namespace arena {
namespace {

using testing::RecordingFixture;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

nlohmann::json embedded_data(const std::string& page) {
    const std::string open = "id=\"report-data\">";
    const auto begin = page.find(open) + open.size();
    return nlohmann::json::parse(page.substr(begin, page.find("</script>", begin) - begin));
}

TEST(WriteReport, WritesOneSelfContainedPageBesideTheRecording) {
    RecordingFixture rec;
    const auto page_path = write_report(rec.dir());
    EXPECT_EQ(page_path, rec.dir() / "report.html");
    EXPECT_FALSE(std::filesystem::exists(rec.dir() / "report.html.partial"));
    const std::string page = rec.read("report.html");

    EXPECT_NE(page.find(std::string(report_script()).substr(0, 200)), std::string::npos);
    EXPECT_NE(page.find(std::string(report_style()).substr(0, 100)), std::string::npos);
    EXPECT_EQ(page.find("src=\""), std::string::npos) << "nothing may be loaded from elsewhere";
    EXPECT_EQ(page.find("href=\""), std::string::npos);
    EXPECT_NE(page.find("<title>Fixture &lt;run&gt;</title>"), std::string::npos);
    EXPECT_EQ(embedded_data(page)["robots"].size(), 3u);
}

TEST(WriteReport, WhatRobotsPrintCannotBreakOutOfTheData) {
    RecordingFixture rec;
    rec.append("console.log", "0.064\tairship\tstdout\tbytes \\xff\\xfe<!-- end\n");
    const std::string page = report_html(report_data(rec.dir(), {}));
    EXPECT_EQ(count(page, "</script>"), 2u) << "only the data element and the viewer end a script";
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);

    const auto console = embedded_data(page)["console"];
    EXPECT_EQ(console[1][3], "</script><script>alert(1)</script>");
    EXPECT_EQ(console[2][3], "bytes \\xff\\xfe<!-- end") << "bytes that are not UTF-8 are shown as the log writes them";
}

}  // namespace
}  // namespace arena
