// The recording's writers: the formats that tools and tests read back.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "arena/record/console_log.h"
#include "arena/record/csv_text.h"
#include "arena/record/json_text.h"
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

TEST(ConsoleText, EveryByteReadsBackAndTheLogStaysUtf8) {
    const struct {
        std::string bytes, logged;
    } cases[] = {
        {"\xe9t\xe9", "\\xe9t\\xe9"},                              // Latin-1 "été"
        {std::string("\0\x01\r\x7f", 4), "\\x00\\x01\\x0d\\x7f"},  // control bytes
        {"a\\b\tc", "a\\\\b\\tc"},
        {"\\xe9", "\\\\xe9"},  // the text of an escape is not one
        {"C\xc3\xa1mara \xe2\x82\xac \xf0\x9f\x98\x80",
         "C\xc3\xa1mara \xe2\x82\xac \xf0\x9f\x98\x80"},          // UTF-8 as it is
        {"cut \xe2\x82", "cut \\xe2\\x82"},                       // half a sequence
        {"\xc0\xaf \xed\xa0\x80", "\\xc0\\xaf \\xed\\xa0\\x80"},  // overlong, surrogate
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escape_text(c.bytes), c.logged);
        EXPECT_TRUE(valid_utf8(c.logged)) << c.logged;
        EXPECT_EQ(unescape_text(c.logged), c.bytes) << c.logged;
    }
    for (const char* malformed : {"\\", "\\q", "\\x4", "\\xg1"}) {
        EXPECT_THROW(unescape_text(malformed), std::runtime_error) << malformed;
    }
}

TEST(JsonText, Utf8StaysAStringAnythingElseIsHexAndBothReadBack) {
    const struct {
        std::string bytes;
        nlohmann::json json;
    } cases[] = {
        {"C\xc3\xa1mara", "C\xc3\xa1mara"},
        {std::string("nul\0", 4), std::string("nul\0", 4)},
        {"\xe9t\xe9", {{"hex", "e974e9"}}},
        {"\xf4\x90\x80\x80", {{"hex", "f4908080"}}},  // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json_text(c.bytes), c.json);
        EXPECT_EQ(text_of(nlohmann::json::parse(json_text(c.bytes).dump())), c.bytes);
    }
    for (const char* bad : {R"(5)", R"({"hex":"e"})", R"({"hex":"zz"})", R"({"hex":"00","x":1})"}) {
        EXPECT_THROW(text_of(nlohmann::json::parse(bad)), std::runtime_error) << bad;
    }
}

TEST(CsvText, NamesWithCommasQuotesAndLineBreaksReadBack) {
    const struct {
        std::string name, field;
    } cases[] = {
        {"gate0", "gate0"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines\r", "\"two\nlines\r\""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(csv_field(c.name), c.field);
        const std::string record = "1," + c.field + ",2\nnext";
        const std::size_t end = csv_record_end(record);
        ASSERT_EQ(end, record.size() - 5) << c.field;
        EXPECT_EQ(csv_fields(std::string_view(record).substr(0, end)), (std::vector<std::string>{"1", c.name, "2"}));
    }
    for (const char* bad : {"1,\"open", "1,\"a\"b", "1,a\"b"}) EXPECT_THROW(csv_fields(bad), std::runtime_error) << bad;
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
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.json.partial"));

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
    EXPECT_EQ(box["devices"][1], (nlohmann::json{{"tag", 2},
                                                 {"name", "radio"},
                                                 {"type", "emitter"},
                                                 {"site", "eye"},
                                                 {"range", 2.0},
                                                 {"aperture", 6.2832}}));
    EXPECT_EQ(box["devices"][2]["width"], 64);
    EXPECT_EQ(box["devices"][2]["fov"], 60.0);
}

TEST_F(RecorderTest, FolderHoldingARecordingIsReplacedOnlyWhenAsked) {
    const auto dir = out.folder() / "run";
    {
        Recorder first(dir, *world);
        first.summary({{"steps", 1}});
    }
    std::filesystem::create_directories(dir / "traces");
    std::ofstream(dir / "traces" / "gone.jsonl") << "{}\n";  // a robot of another world
    try {
        Recorder again(dir, *world);
        FAIL() << "a recording was written over";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), dir.string() + " already holds a recording; use --overwrite to replace it");
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "summary.json")) << "a refusal leaves the old recording alone";

    Recorder replaced(dir, *world, true);
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.json")) << "no summary of the old run beside the new one";
    EXPECT_FALSE(std::filesystem::exists(dir / "traces" / "gone.jsonl"));
    EXPECT_TRUE(std::filesystem::exists(dir / "traces" / "box.jsonl"));
}

TEST(PosesCsv, BodyNamesWithCommasQuotesAndLineBreaksReadBack) {
    testing::TempWorld w;
    std::string scene = testing::kSmallScene;
    scene.replace(scene.find("wheel_l"), 7, "a,b");
    scene.replace(scene.find("wheel_r"), 7, "say &quot;hi&quot;&#10;again");
    w.write("scene.xml", scene);
    w.program("ctl");
    w.write("world.toml", "[[robot]]\nname = \"box\"\nbody = \"box\"\ncontroller = \"ctl\"\ndrive = \"custom\"\n");
    const auto world = load_world(w.folder(), w.folder());
    const mjModel* m = world->scene.model();
    DataPtr d(mj_makeData(m));
    mj_forward(m, d.get());
    {
        PosesCsv poses(w.folder() / "poses.csv");
        poses.write(0.5, m, d.get());
    }
    std::vector<std::string> names;
    const std::string text = read_file(w.folder() / "poses.csv");
    std::string_view rest = std::string_view(text).substr(text.find('\n') + 1);
    for (std::size_t end; (end = csv_record_end(rest)) != std::string_view::npos; rest.remove_prefix(end + 1)) {
        const auto fields = csv_fields(rest.substr(0, end));
        ASSERT_EQ(fields.size(), 9u) << rest.substr(0, end);
        names.push_back(fields[1]);
    }
    EXPECT_TRUE(rest.empty());
    EXPECT_EQ(names, (std::vector<std::string>{"box", "cart", "a,b", "say \"hi\"\nagain"}));
}

// A real full disk: a small tmpfs of its own (needs root; skipped where
// mounting is refused).
class FullDisk : public RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        disk = out.folder() / "disk";
        std::filesystem::create_directories(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << "); full disk not tested";
        }
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
    }
    std::filesystem::path disk;
    bool mounted = false;
};

TEST_F(FullDisk, StopsWithTheFileAndErrorNamedAndLeavesWholeLinesOnly) {
    const mjModel* m = world->scene.model();
    DataPtr d(mj_makeData(m));
    mj_forward(m, d.get());
    const auto dir = disk / "run";
    Recorder rec(dir, *world);
    std::string error;
    for (int i = 0; i < 100000 && error.empty(); ++i) {
        try {
            rec.poses().write(i * 0.001, m, d.get());
        } catch (const RecordWriteError& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error, (dir / "poses.csv").string() + ": No space left on device");
    const std::string poses = read_file(dir / "poses.csv");
    ASSERT_FALSE(poses.empty());
    EXPECT_EQ(poses.back(), '\n') << "no cut line left behind";
    EXPECT_EQ(std::count(poses.begin(), poses.end(), '\n') % 4, 1) << "the rows of a time are all there or none";

    EXPECT_THROW(rec.console().write(1, "box", "console", std::string(8192, 'x')), RecordWriteError);
    EXPECT_EQ(read_file(dir / "console.log"), "");
    EXPECT_THROW(rec.summary({{"text", std::string(1 << 16, 'x')}}), RecordWriteError);
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.json")) << "a summary is whole or absent";
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.json.partial"));
}

}  // namespace
}  // namespace arena
