// The airship flies its course in the gate course world, and the three pilot
// scenarios beside it do what a pilot expects, judged from the recording:
// the console lines, the poses and the arena's own flight figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "recording.h"

namespace worlds_test {
namespace {

const char* kArrival = "He llegado a mi destino!!!";
const char* kDocked = "Docking COMPLETADO";

std::vector<double> times_of(const std::vector<ConsoleLine>& lines, const std::string& text) {
    std::vector<double> out;
    for (const ConsoleLine& l : lines)
        if (l.robot == "airship" && l.stream == "console" && l.text == text) out.push_back(l.time);
    return out;
}

struct Flight {
    TempDir tmp;
    std::filesystem::path rec = tmp.path() / "rec";
    ArenaResult result;
    std::vector<ConsoleLine> console;
    nlohmann::json summary;
    std::vector<Pose> poses;

    explicit Flight(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"run", world("gate_course").string(), "--record", rec.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        result = run_arena(args);
        console = read_console(rec);
        summary = read_summary(rec);
        poses = read_poses(rec, "airship");
    }
    const nlohmann::json& course() const { return summary["figures"]["course"]; }
};

std::string keys_file(const char* name) { return (world("gate_course") / "keys" / name).string(); }

// Every gate crossed through its opening, in order, each right after the
// arrival the autopilot announces for it; then the docking, untouched.
void expect_whole_course(const Flight& f) {
    const std::vector<double> arrivals = times_of(f.console, kArrival);
    ASSERT_EQ(arrivals.size(), 5u) << "arrivals at rows 0 to 4, and no more";
    const nlohmann::json& gates = f.course()["gates"];
    ASSERT_EQ(gates.size(), 5u);
    double previous = 0;
    for (std::size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE("gate " + std::to_string(k));
        ASSERT_TRUE(gates[k]["crossed"].get<bool>()) << "not crossed through its opening";
        const double crossed = gates[k]["time"].get<double>();
        EXPECT_GT(crossed, previous) << "gates crossed out of order";
        EXPECT_NEAR(crossed, arrivals[k], 1.0) << "crossing far from the announced arrival";
        previous = crossed;
    }
    const std::vector<double> docked = times_of(f.console, kDocked);
    ASSERT_FALSE(docked.empty()) << "no docking";
    EXPECT_GT(docked.front(), arrivals.back());
    EXPECT_LE(docked.front(), 120.0);
    EXPECT_NEAR(f.course()["docking"]["time"].get<double>(), docked.front(), 1e-3);  // console.log has ms
    EXPECT_FALSE(f.course()["touched"].get<bool>()) << f.course()["first_contacts"].dump();
    EXPECT_TRUE(f.course()["success"].get<bool>());
}

TEST(GateCourse, FliesTheFiveGatesAndDocksWithinTwoMinutesWithoutContact) {
    Flight f;
    ASSERT_EQ(f.result.status, 0) << f.result.err;
    expect_whole_course(f);
}

// P hands the craft to the pilot on its way to gate 3; the arrows fly it;
// P hands it back, and the autopilot goes on with gate 3, not from the start.
TEST(GateCourse, PilotTakesOverAndHandsBackAndTheAutopilotStillDocks) {
    Flight f({"--keys", keys_file("takeover.toml")});
    ASSERT_EQ(f.result.status, 0) << f.result.err;
    const std::vector<double> arrivals = times_of(f.console, kArrival);
    ASSERT_FALSE(arrivals.empty());
    EXPECT_EQ(std::count_if(arrivals.begin(), arrivals.end(), [](double t) { return t < 34.0; }), 3)
        << "gates 0 to 2 before the take-over";
    EXPECT_EQ(std::count_if(arrivals.begin(), arrivals.end(), [](double t) { return t > 34.0 && t < 38.1; }), 0)
        << "no arrival while the pilot flies";

    // The arrows moved the craft: forward for two seconds covers real ground.
    auto at = [&](double t) {
        return *std::find_if(f.poses.begin(), f.poses.end(), [&](const Pose& p) { return p.time >= t; });
    };
    const Pose a = at(34.1), b = at(36.1);
    const double moved = std::hypot(b.position[0] - a.position[0], b.position[2] - a.position[2]);
    EXPECT_GT(moved, 0.3);
    expect_whole_course(f);
}

double max_altitude_after(const std::vector<Pose>& poses, double from) {
    double top = -1e9;
    for (const Pose& p : poses)
        if (p.time >= from) top = std::max(top, p.position[1]);
    return top;
}

// Holding A: the climb is stopped at the 4 m ceiling with its message, and
// the craft hovers close under it as long as the key is held.
TEST(GateCourse, HoldingUpStopsAtTheCeiling) {
    Flight f({"--keys", keys_file("ceiling.toml"), "--duration", "40"});
    ASSERT_EQ(f.result.status, 0) << f.result.err;
    const std::vector<double> ceiling = times_of(f.console, "P.A. on: Evitando salida a la estratosfera");
    ASSERT_FALSE(ceiling.empty());
    EXPECT_LT(max_altitude_after(f.poses, 0), 4.5) << "overshoot above the ceiling";
    for (const Pose& p : f.poses) {
        if (p.time <= ceiling.front() + 5.0) continue;
        EXPECT_GT(p.position[1], 3.6) << "fell away from the ceiling at " << p.time;
    }
    EXPECT_FALSE(f.course()["touched"].get<bool>());
}

// Holding Z: first the warning, then the emergency climb, and the craft
// never reaches the floor.
TEST(GateCourse, HoldingDownIsStoppedAboveTheFloor) {
    Flight f({"--keys", keys_file("ground.toml"), "--duration", "40"});
    ASSERT_EQ(f.result.status, 0) << f.result.err;
    const std::vector<double> warnings = times_of(f.console, "WARNING!!\tWARNING!! Altura demasiado baja!!");
    const std::vector<double> emergencies = times_of(f.console, "P.A. on: INICIANDO MANIOBRA DE EMERGENCIA!!");
    ASSERT_FALSE(warnings.empty());
    ASSERT_FALSE(emergencies.empty());
    EXPECT_LT(warnings.front(), emergencies.front());
    EXPECT_FALSE(f.course()["touched"].get<bool>()) << f.course()["first_contacts"].dump();
}

}  // namespace
}  // namespace worlds_test
