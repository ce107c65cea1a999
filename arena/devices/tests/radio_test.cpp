#include "devices/radio.h"

#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace arena {
namespace {

constexpr double pi = std::numbers::pi;

// Emitter and receiver are mocap bodies so each case can put them anywhere;
// each site sits inside its own robot's chassis, which must not block the
// link. The wall starts out of the way.
const char* link_scene = R"(
<mujoco>
  <worldbody>
    <body name="tx" mocap="true">
      <geom type="box" size="0.05 0.05 0.05"/>
      <site name="tx_site"/>
    </body>
    <body name="rx" mocap="true" pos="0.5 0 0" axisangle="0 1 0 180">
      <geom type="box" size="0.05 0.05 0.05"/>
      <site name="rx_site"/>
    </body>
    <body name="wall" mocap="true" pos="0 10 0">
      <geom type="box" size="0.01 0.5 0.5"/>
    </body>
  </worldbody>
</mujoco>)";

struct Link {
    test::Scene s = test::Scene::from_xml(link_scene);
    EmitterModel emitter{s.site("tx_site"), 1.0, 2 * pi};
    ReceiverModel receiver{s.site("rx_site"), 2 * pi};

    // Puts the receiver at `distance` from the emitter, `bearing` radians off
    // the emitter's axis, turned to face back at it unless told otherwise.
    void receiver_at(double distance, double bearing, bool facing_emitter = true) {
        const int mocap = s.m->body_mocapid[s.body("rx")];
        mjtNum* pos = s.d->mocap_pos + 3 * mocap;
        pos[0] = distance * std::cos(bearing);
        pos[1] = 0;
        pos[2] = -distance * std::sin(bearing);
        // Facing back is a turn of pi + bearing about y; facing away, of bearing.
        const double turn = facing_emitter ? pi + bearing : bearing;
        mjtNum* quat = s.d->mocap_quat + 4 * mocap;
        quat[0] = std::cos(turn / 2);
        quat[1] = quat[3] = 0;
        quat[2] = std::sin(turn / 2);
        mj_forward(s.m, s.d);
    }
    void wall_at(double x) {
        s.d->mocap_pos[3 * s.m->body_mocapid[s.body("wall")]] = x;
        s.d->mocap_pos[3 * s.m->body_mocapid[s.body("wall")] + 1] = 0;
        mj_forward(s.m, s.d);
    }
    bool heard() { return can_hear(s.m, s.d, emitter, s.body("tx"), receiver, s.body("rx")); }
};

TEST(Radio, HeardWithinRangeOnly) {
    Link l;
    l.receiver_at(0.5, 0);
    EXPECT_TRUE(l.heard());
    l.receiver_at(0.99, 1.0);
    EXPECT_TRUE(l.heard());
    l.receiver_at(1.01, 0);
    EXPECT_FALSE(l.heard());
}

TEST(Radio, EmitterAndReceiverCones) {
    Link l;
    l.emitter.aperture = pi / 2;  // 45 degrees either side
    l.receiver_at(0.5, pi / 6);
    EXPECT_TRUE(l.heard());
    l.receiver_at(0.5, pi / 3);
    EXPECT_FALSE(l.heard());
    l.receiver_at(0.5, pi);
    EXPECT_FALSE(l.heard());

    l.emitter.aperture = 2 * pi;  // all around: even behind
    l.receiver_at(0.5, pi);
    EXPECT_TRUE(l.heard());
    l.receiver.aperture = pi;  // a half-space in front of the receiver
    EXPECT_TRUE(l.heard());
    l.receiver_at(0.5, pi, false);
    EXPECT_FALSE(l.heard());
}

TEST(Radio, AnotherGeomInTheWayBlocksTheLink) {
    Link l;
    l.receiver_at(0.5, 0);
    l.wall_at(0.25);
    EXPECT_FALSE(l.heard());
    l.wall_at(0.7);  // beyond the receiver: no shadow
    EXPECT_TRUE(l.heard());
}

}  // namespace
}  // namespace arena
