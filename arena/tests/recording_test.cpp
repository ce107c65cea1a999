// The recording's writers: the formats that tools and tests read back.
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <sstream>

#include "arena/record/console_log.h"
#include "arena/record/poses_csv.h"
#include "arena/record/recorder.h"
#include "arena/record/recording_json.h"
#include "arena/record/trace_json.h"
#include "arena/world/world.h"
#include "temp_world.h"

namespace arena {
namespace {

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ConsoleLog, TabSeparatedWithMillisecondTimes) {
    testing::TempWorld w;
    {
        ConsoleLog log(w.folder() / "console.log");
        log.write(1.0240000001, "receiver", "console", "4 Bytes recibidos");
        log.write(0.0, "pilot", "stdout", "tab\there");
    }
    EXPECT_EQ(read_file(w.folder() / "console.log"),
              "1.024\treceiver\tconsole\t4 Bytes recibidos\n0.000\tpilot\tstdout\ttab\\there\n");
}

TEST(RoundTrip, NumbersReadBackBitForBit) {
    for (double v : {0.1, double(0.1f), 1.0 / 3.0, -2.5e-300, 10.000001907348633}) {
        std::string s = round_trip(v);
        double back = 0;
        std::from_chars(s.data(), s.data() + s.size(), back);
        EXPECT_EQ(back, v) << s;
    }
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        world_dir.program("ctl");
        world_dir.write("scene.xml", testing::kSmallScene);
        world_dir.write("world.toml", R"(
[[robot]]
name = "box"
body = "box"
controller = "ctl"
drive = "custom"
  [[robot.device]]
  name = "gps"
  type = "gps"
  [[robot.device]]
  name = "radio"
  type = "emitter"
  site = "eye"
  [[robot.device]]
  name = "cam"
  type = "camera"
  site = "eye"
)");
        world = load_world(world_dir.folder(), world_dir.folder());
    }
    testing::TempWorld world_dir, out;
    std::unique_ptr<World> world;
};

TEST_F(RecorderTest, WritesSceneTracesPosesAndSummary) {
    const mjModel* m = world->scene.model();
    DataPtr d(mj_makeData(m));
    d->mocap_pos[0] = 0.1f;  // a single-precision value, as controllers send
    mj_forward(m, d.get());
    {
        Recorder rec(out.folder() / "run", *world);
        rec.poses().write(0.064, m, d.get());
        rec.trace(0, {{"step", 1}});
        rec.summary({{"steps", {{"box", 1}}}});
    }
    auto dir = out.folder() / "run";
    std::string poses = read_file(dir / "poses.csv");
    EXPECT_EQ(poses.substr(0, poses.find('\n')), "time,body,x,y,z,qw,qx,qy,qz");
    EXPECT_NE(poses.find("0.064,box,0.10000000149011612,0,0,1,0,0,0\n"), std::string::npos) << poses;
    EXPECT_NE(poses.find("0.064,wheel_l,"), std::string::npos);
    EXPECT_EQ(read_file(dir / "traces" / "box.jsonl"), "{\"step\":1}\n");
    EXPECT_EQ(nlohmann::json::parse(read_file(dir / "summary.json"))["steps"]["box"], 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.json.tmp"));

    auto scene = nlohmann::json::parse(read_file(dir / "scene.json"));
    ASSERT_EQ(scene["bodies"][0]["name"], "world");
    EXPECT_EQ(scene["bodies"][0]["geoms"][0]["type"], "plane");
    EXPECT_EQ(scene["bodies"][1]["name"], "box");
    EXPECT_EQ(scene["bodies"][1]["geoms"][0]["size"], (std::vector<double>{0.05, 0.05, 0.05}));
}

TEST_F(RecorderTest, TraceNamesDevicesAndKeepsFloatsExact) {
    const BoundRobot& box = world->robots[0];
    link::Sensors s;
    s.gps.push_back({1, {}});
    s.gps[0].matrix[12] = 0.1f;
    s.keys = {80};
    nlohmann::json samples = samples_json(box, s, {3});
    EXPECT_EQ(samples["gps"][12].get<double>(), double(0.1f));
    EXPECT_EQ(samples["keys"], (std::vector<int>{80}));
    EXPECT_EQ(samples["cam"]["fetched"], true);

    link::Step step;
    step.ms = 32;
    step.force_torque = std::array<float, 6>{1.5f, 0, 0, 0, 0, 0.1f};
    step.emits.push_back({2, {0x41, 0x00}});
    step.emits.push_back({9, {0x01}});  // a tag the robot does not have
    step.enables.push_back({1, 32});
    step.console = "hello\n";
    nlohmann::json c = commands_json(box, step);
    EXPECT_EQ(c["force_torque"][5].get<double>(), double(0.1f));
    EXPECT_EQ(c["emit"]["radio"], (std::vector<std::string>{"4100"}));
    EXPECT_EQ(c["emit"]["#9"], (std::vector<std::string>{"01"}));
    EXPECT_EQ(c["enable"]["gps"], 32);
    EXPECT_EQ(c["console"], "hello\n");
    EXPECT_FALSE(c.contains("wheels"));

    link::Step latin1;
    latin1.console = "\xe9t\xe9\n";  // "été" in Latin-1: not UTF-8
    nlohmann::json l = commands_json(box, latin1);
    EXPECT_NO_THROW(l.dump());
    EXPECT_EQ(l["console"]["hex"], "e974e90a");
}

TEST_F(RecorderTest, RecordingListsEachRobotsDriveAndDevices) {
    nlohmann::json j = recording_json(*world);
    EXPECT_EQ(j["format"], 2);
    EXPECT_EQ(j["world"], world_dir.folder().string());
    ASSERT_EQ(j["robots"].size(), 1u);
    const nlohmann::json& box = j["robots"][0];
    EXPECT_EQ(box["drive"], "custom");
    EXPECT_EQ(box["controller"], "ctl");
    EXPECT_EQ(box["devices"][0], (nlohmann::json{{"tag", 1}, {"name", "gps"}, {"type", "gps"}}));
    EXPECT_EQ(box["devices"][1], (nlohmann::json{{"tag", 2}, {"name", "radio"}, {"type", "emitter"}, {"site", "eye"},
                                                 {"range", 2.0}, {"aperture", 6.2832}}));
    EXPECT_EQ(box["devices"][2]["width"], 64);
    EXPECT_EQ(box["devices"][2]["fov"], 60.0);
}

}  // namespace
}  // namespace arena
