// The obstacle room is built so that the avoiders' rule (turn on the spot
// while a reading is above 200, else straight on) keeps both robots off the
// walls and obstacles. This drives the scene with that rule for five
// simulated minutes, through the same device models the arena uses.
#include "devices/distance_sensor.h"
#include "devices/wheels.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace arena {
namespace {

// The manifest values the scene is built for (see its header comment): the
// left sensor, ir0, sees less far than the right one.
constexpr double ir0_range = 0.06, ir1_range = 0.1;
const std::vector<std::array<double, 2>> ir0_lookup{{0.0, 1000.0}, {0.06, 0.0}};
const std::vector<std::array<double, 2>> ir1_lookup{{0.0, 1000.0}, {0.1, 0.0}};
constexpr double speed_unit = 0.05;

struct Avoider {
    std::string name;
    int cruise;  // ir_avoider 100, camera_avoider 50
    int body = -1;
    DistanceSensorModel ir0{}, ir1{};
    WheelsModel wheels{};
    double travelled = 0;
    double farthest = 0;  // from the start
    mjtNum start[3]{}, last[3]{};
};

void attach(const test::Scene& s, Avoider& a) {
    a.body = s.body(a.name.c_str());
    a.ir0 = {s.site((a.name + "_ir0").c_str()), ir0_range, ir0_lookup, 0};
    a.ir1 = {s.site((a.name + "_ir1").c_str()), ir1_range, ir1_lookup, 0};
    a.wheels = {s.actuator((a.name + "_left").c_str()), s.actuator((a.name + "_right").c_str()), speed_unit};
    ASSERT_GE(a.body, 0) << a.name;
    ASSERT_GE(a.ir0.site, 0) << a.name;
    ASSERT_GE(a.ir1.site, 0) << a.name;
    ASSERT_GE(a.wheels.left_actuator, 0) << a.name;
    ASSERT_GE(a.wheels.right_actuator, 0) << a.name;
    mju_copy3(a.start, s.d->xpos + 3 * a.body);
    mju_copy3(a.last, a.start);
}

// One 64 ms wake of the avoider program: read both sensors, pick a command.
void wake(const test::Scene& s, Avoider& a, std::mt19937_64& rng) {
    const auto r0 = read_distance(s.m, s.d, a.ir0, a.body, rng);
    const auto r1 = read_distance(s.m, s.d, a.ir1, a.body, rng);
    if (r1 > 200) set_wheel_speeds(s.m, s.d, a.wheels, -20, 20);
    else if (r0 > 200) set_wheel_speeds(s.m, s.d, a.wheels, 20, -20);
    else set_wheel_speeds(s.m, s.d, a.wheels, a.cruise, a.cruise);
    const mjtNum* now = s.d->xpos + 3 * a.body;
    a.travelled += mju_dist3(now, a.last);
    a.farthest = std::max(a.farthest, mju_dist3(now, a.start));
    mju_copy3(a.last, now);
}

// The robot whose subtree holds geom g, or null.
const Avoider* owner(const test::Scene& s, const std::vector<Avoider>& robots, int g) {
    for (const auto& a : robots) {
        for (int b = s.m->geom_bodyid[g]; b > 0; b = s.m->body_parentid[b])
            if (b == a.body) return &a;
    }
    return nullptr;
}

TEST(ObstacleRoom, AvoidersDriveFiveMinutesWithoutTouchingWallsOrObstacles) {
    auto s = test::Scene::from_file(WORLDS_DIR "/obstacle_room/scene.xml");
    ASSERT_NE(s.m, nullptr);
    std::vector<Avoider> robots{{"ir_avoider", 100}, {"camera_avoider", 50}};
    for (auto& a : robots) attach(s, a);
    const int floor = mj_name2id(s.m, mjOBJ_GEOM, "floor");
    const int steps_per_wake = int(std::lround(0.064 / s.m->opt.timestep));
    ASSERT_DOUBLE_EQ(steps_per_wake * s.m->opt.timestep, 0.064);
    std::mt19937_64 rng(1);

    int touches = 0;
    const int wakes = int(std::lround(300 / 0.064));
    for (int w = 0; w < wakes; w++) {
        mj_forward(s.m, s.d);  // sample the pose the last step reached
        for (auto& a : robots) wake(s, a, rng);
        for (int i = 0; i < steps_per_wake; i++) {
            mj_step(s.m, s.d);
            for (int c = 0; c < s.d->ncon; c++) {
                const mjContact& con = s.d->contact[c];
                for (const auto& [mine, other] : {std::pair{con.geom1, con.geom2}, std::pair{con.geom2, con.geom1}}) {
                    const Avoider* a = owner(s, robots, mine);
                    if (!a || other == floor || s.m->geom_bodyid[other] != 0) continue;
                    if (touches++ < 5)
                        ADD_FAILURE() << a->name << " touches " << mj_id2name(s.m, mjOBJ_GEOM, other)
                                      << " at t=" << s.d->time;
                }
            }
        }
    }
    EXPECT_EQ(touches, 0);
    for (const auto& a : robots) {
        std::printf("%s: travelled %.2f m, at most %.2f m from its start\n", a.name.c_str(), a.travelled, a.farthest);
        // Cruising all the time would cover 30 m (ir_avoider) and 15 m.
        EXPECT_GT(a.travelled, a.cruise == 100 ? 15.0 : 7.5) << a.name;
        EXPECT_GT(a.farthest, 0.5) << a.name;
    }
}

}  // namespace
}  // namespace arena
