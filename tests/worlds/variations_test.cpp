// Changing a world for one run without editing it (--set), the run's
// summary on its own (--summary), and wind: each override changes what it
// names and nothing else, is refused in one line when it names nothing, and
// is written into the recording so the run can be replayed alone.
#include <gtest/gtest.h>

#include <functional>

#include "recording.h"

namespace worlds_test {
namespace {

struct Varied {
    TempDir tmp;
    std::filesystem::path rec = tmp.path() / "rec";
    ArenaResult result;

    Varied(const std::string& world_name, const std::vector<std::string>& sets, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"run", world_name, "--record", rec.string(), "--no-report"};
        for (const std::string& s : sets) args.insert(args.end(), {"--set", s});
        args.insert(args.end(), extra.begin(), extra.end());
        result = run_arena(args);
    }
    nlohmann::json recording() const { return nlohmann::json::parse(read_file(rec / "recording.json")); }
    nlohmann::json device(const std::string& name) const {
        const nlohmann::json robots = recording()["robots"];
        for (const auto& d : robots[0]["devices"])
            if (d["name"] == name) return d;
        return nullptr;
    }
    Pose last(const std::string& body) const { return read_poses(rec, body).back(); }
};

const std::string kCourse = world("gate_course").string();

TEST(Overrides, EachChangesWhatItNamesAndIsRecorded) {
    const Varied base(kCourse, {"duration=2"});
    ASSERT_EQ(base.result.status, 0) << base.result.err;
    const struct {
        std::string set;
        std::function<void(const Varied&)> check;
    } cases[] = {
        {"seed=7",
         [&](const Varied& r) {
             EXPECT_EQ(read_summary(r.rec)["seed"], 7);
             EXPECT_EQ(read_file(r.rec / "poses.csv"), read_file(base.rec / "poses.csv")) << "no noise to change";
         }},
        {"robot.airship.device.ds0.range=1.5",
         [&](const Varied& r) {
             EXPECT_EQ(r.device("ds0")["range"], 1.5);
             EXPECT_EQ(r.device("ds1")["range"], 3.0);
         }},
        {"scene.body.airship.pos=0 2.5 0",
         [&](const Varied& r) {
             EXPECT_EQ(read_poses(r.rec, "airship").front().position, (std::array<double, 3>{0, 2.5, 0}));
             EXPECT_EQ(r.last("gate0").position, base.last("gate0").position);
         }},
        {"scene.inertial.airship.mass=[0.3]",  // heavier than the lift the controller gives
         [&](const Varied& r) { EXPECT_LT(r.last("airship").position[1], base.last("airship").position[1] - 0.1); }},
        {"wind.airship.mean=[0.5, 0, 0]",
         [&](const Varied& r) {
             for (const auto& step : read_trace(r.rec, "airship")) ASSERT_EQ(step["wind"], nlohmann::json({0.5, 0, 0}));
             EXPECT_FALSE(read_trace(base.rec, "airship").front().contains("wind"));
             EXPECT_GT(r.last("airship").position[0], base.last("airship").position[0] + 0.1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        const Varied r(kCourse, {"duration=2", c.set});
        ASSERT_EQ(r.result.status, 0) << r.result.err;
        c.check(r);
        const nlohmann::json given = {"duration=2", c.set};
        EXPECT_EQ(r.recording()["overrides"], given);
        EXPECT_EQ(read_summary(r.rec)["overrides"], given);
    }
    ArenaResult check = run_arena({"check", kCourse, "--set", "scene.option.timestep=0.004"});
    EXPECT_NE(check.out.find("physics step 4 ms"), std::string::npos) << check.out << check.err;
}

TEST(Overrides, BadKeyOrValueIsOneLineNamingItAndStatusTwo) {
    const struct {
        std::string set, says;
    } cases[] = {
        {"seed", "--set seed: an override is KEY=VALUE"},
        {"sede=7", "--set sede: unknown key \"sede\""},
        {"seed=-1", "--set seed: \"seed\" must be a whole number"},
        {"duration=soon", "--set duration: \"duration\" must be a number"},
        {"robot.ghost.controller=x", "--set robot.ghost.controller: the world has no such robot (its robots: airship)"},
        {"robot.airship.device.ds9.noise=1",
         "--set robot.airship.device.ds9.noise: robot \"airship\" has no such device"},
        {"robot.airship.device.ds0.noise=-1",
         "--set robot.airship.device.ds0.noise: robot \"airship\": device \"ds0\""},
        {"robot.airship.device.ds0.lookup=[[0,1],[0,2]]", "--set robot.airship.device.ds0.lookup: "},
        {"scene.body.ghost.pos=0 0 0", "--set scene.body.ghost.pos: the scene scene.xml has no <body name=\"ghost\">"},
        {"scene.body.airship.pos=up", "--set scene.body.airship.pos: "},
        {"scene.inertial.gate0.mass=1",
         "--set scene.inertial.gate0.mass: body \"gate0\" of scene.xml has no <inertial>"},
        {"scene.option.timestep=0", "--set scene.option.timestep: "},
        {"wind.airship.gust=-1", "--set wind.airship.gust: [[wind]] body \"airship\": \"gust\" must be"},
        {"wind.airship.time_scale=0", "--set wind.airship.time_scale: [[wind]] body \"airship\": \"time_scale\""},
        {"wind.airship.speed=1", "--set wind.airship.speed: [[wind]] body \"airship\": unknown key \"speed\""},
        {"wind.ghost.gust=1", "--set wind.ghost.gust: [[wind]] body \"ghost\": the scene scene.xml has no such body"},
        {"wind.gate0.gust=1", "--set wind.gate0.gust: [[wind]] body \"gate0\": the body cannot move"},
    };
    for (const auto& c : cases) {
        ArenaResult r = run_arena({"run", kCourse, "--no-record", "--set", c.set});
        EXPECT_EQ(r.status, 2) << c.set;
        EXPECT_EQ(r.err.find("arena: " + c.says), 0u) << c.set << "\n" << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
}

TEST(Summary, WrittenWithoutARecordingAsInOneAndSaysWhetherTheCourseSucceeded) {
    TempDir tmp;
    const std::filesystem::path alone = tmp.path() / "alone.json", beside = tmp.path() / "beside.json";
    ArenaResult r = run_arena({"run", kCourse, "--duration", "2", "--no-record", "--summary", alone.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json s = nlohmann::json::parse(read_file(alone));
    EXPECT_EQ(s["duration"], 2.0);
    EXPECT_EQ(s["figures"]["course"]["success"], false) << "not docked in 2 s";

    const Varied recorded(kCourse, {}, {"--duration", "2", "--summary", beside.string()});
    ASSERT_EQ(recorded.result.status, 0) << recorded.result.err;
    EXPECT_EQ(read_file(beside), read_file(recorded.rec / "summary.json"));

    // A run that cannot start says why in its summary too.
    ArenaResult bad = run_arena({"run", kCourse, "--set", "sede=1", "--no-record", "--summary", alone.string()});
    EXPECT_EQ(bad.status, 2);
    const nlohmann::json b = nlohmann::json::parse(read_file(alone));
    EXPECT_EQ(b["status"], 2);
    EXPECT_NE(b["error"].get<std::string>().find("--set sede"), std::string::npos);
}

// The balloon drifts in the wind out of the listener's sight; the listener's
// sensor is noisy.
TEST(Wind, IsDeterministicRecordedAndLeavesTheSensorNoiseAlone) {
    const std::string windy = test_world("windy").string();
    const std::vector<std::string> gusts = {"wind.balloon.gust=0.05", "wind.balloon.time_scale=0.5"};
    const Varied calm(windy, {}), gusty(windy, gusts), again(windy, gusts);
    std::vector<std::string> reseeded = gusts;
    reseeded.push_back("seed=4");
    const Varied other(windy, reseeded);
    for (const Varied* r : {&calm, &gusty, &again, &other}) ASSERT_EQ(r->result.status, 0) << r->result.err;

    auto readings = [](const Varied& r) {
        std::vector<nlohmann::json> out;
        for (const auto& step : read_trace(r.rec, "listener")) out.push_back(step["samples"]["ir0"]);
        return out;
    };
    EXPECT_EQ(readings(gusty), readings(calm));
    EXPECT_NE(readings(calm).front(), readings(calm).back()) << "the sensor is noisy";

    auto winds = [](const Varied& r) {
        std::vector<nlohmann::json> out;
        for (const auto& step : read_trace(r.rec, "balloon")) out.push_back(step.value("wind", nlohmann::json()));
        return out;
    };
    EXPECT_TRUE(winds(calm).front().is_null());
    ASSERT_TRUE(winds(gusty).front().is_array());
    EXPECT_EQ(winds(gusty), winds(again));
    EXPECT_EQ(read_file(gusty.rec / "poses.csv"), read_file(again.rec / "poses.csv"));
    EXPECT_NE(winds(gusty), winds(other));
    EXPECT_NE(winds(gusty).front(), winds(gusty).back()) << "gusts change";

    // A steady wind pushes at every physics step: 0.2 N on 0.1 kg for 2 s.
    const Varied steady(windy, {"wind.balloon.mean=[0.2, 0, 0]"});
    ASSERT_EQ(steady.result.status, 0) << steady.result.err;
    EXPECT_NEAR(steady.last("balloon").position[0] - calm.last("balloon").position[0], 0.5 * 2.0 * 2.0 * 2.0, 0.05);
}

}  // namespace
}  // namespace worlds_test
