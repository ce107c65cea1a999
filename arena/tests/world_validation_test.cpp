// Every kind of bad world gets one line that names the file, the line and
// the robot or device at fault, before anything runs.
#include <gtest/gtest.h>

#include <cctype>

#include "arena/world/world.h"
#include "arena/world/world_error.h"
#include "temp_world.h"

namespace arena {
namespace {

using testing::kSmallScene;
using testing::TempWorld;

const char* const kCart = R"(
[[robot]]
name = "cart"
body = "cart"
controller = "ctl"
drive = "differential"
  [robot.wheels]
  left = "left"
  right = "right"
  speed_unit = 0.5
  [[robot.device]]
  name = "ir0"
  type = "distance_sensor"
  site = "eye"
  range = 0.2
)";

std::string load_error(const TempWorld& w) {
    try {
        load_world(w.folder(), w.folder());
    } catch (const WorldError& e) {
        return e.what();
    }
    return "(no error)";
}

struct BadWorld {
    const char* what;
    std::string toml;
    std::vector<std::string> expected;  // parts the message must hold
    std::string scene = kSmallScene;
};

void PrintTo(const BadWorld& c, std::ostream* os) { *os << c.what; }

class BadWorldTest : public ::testing::TestWithParam<BadWorld> {};

TEST_P(BadWorldTest, OneLineNamingTheFault) {
    const BadWorld& c = GetParam();
    TempWorld w;
    w.program("ctl");
    w.write("not_executable", "#!/bin/sh\n");
    w.write("world.toml", c.toml);
    w.write("scene.xml", c.scene);
    std::string message = load_error(w);
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    for (const std::string& part : c.expected) EXPECT_NE(message.find(part), std::string::npos) << message;
}

std::string many_devices(int n) {
    std::string s = "[[robot]]\nname = \"box\"\nbody = \"box\"\ncontroller = \"ctl\"\n";
    for (int i = 0; i < n; ++i) s += "[[robot.device]]\nname = \"g" + std::to_string(i) + "\"\ntype = \"gps\"\n";
    return s;
}

std::string replace(std::string s, const std::string& from, const std::string& to) {
    s.replace(s.find(from), from.size(), to);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadWorldTest,
    ::testing::Values(
        BadWorld{"malformed toml", "title = \"unfinished\n", {"world.toml:1:"}},
        BadWorld{"malformed mjcf", kCart, {"scene.xml:1:"}, "<mujoco><worldbody><body name=\"x\"></worldbody></mujoco>"},
        BadWorld{"mjcf schema error", kCart, {"scene.xml:3:", "unrecognized attribute"}, "<mujoco>\n<worldbody>\n<geom type=\"box\" colour=\"red\"/>\n</worldbody></mujoco>"},
        BadWorld{"missing body", replace(kCart, "body = \"cart\"", "body = \"nope\""),
                 {"world.toml:2:", "robot \"cart\"", "no body \"nope\""}},
        BadWorld{"missing site", replace(kCart, "site = \"eye\"", "site = \"nose\""),
                 {"world.toml:", "robot \"cart\"", "device \"ir0\"", "no site \"nose\""}},
        BadWorld{"missing actuator", replace(kCart, "left = \"left\"", "left = \"port\""),
                 {"robot \"cart\"", "no actuator \"port\""}},
        BadWorld{"unknown device type", replace(kCart, "distance_sensor", "lidar"),
                 {"world.toml:13:", "device \"ir0\"", "unknown device type \"lidar\""}},
        BadWorld{"duplicate robot", std::string(kCart) + replace(kCart, "body = \"cart\"", "body = \"box\""),
                 {"world.toml:17:", "duplicate robot name \"cart\""}},
        BadWorld{"duplicate device", std::string(kCart) + "  [[robot.device]]\n  name = \"ir0\"\n  type = \"gps\"\n",
                 {"robot \"cart\"", "duplicate device name \"ir0\""}},
        BadWorld{"too many devices", many_devices(256), {"robot \"box\"", "256 devices", "at most 255"}},
        BadWorld{"missing controller", replace(kCart, "\"ctl\"", "\"nothere\""),
                 {"robot \"cart\"", "controller \"nothere\" is not an executable program"}},
        BadWorld{"controller not executable", replace(kCart, "\"ctl\"", "\"./not_executable\""),
                 {"robot \"cart\"", "controller \"./not_executable\" is not an executable program"}},
        BadWorld{"keys for no robot", std::string(kCart) + "[[keys]]\nrobot = \"ghost\"\nfrom = 1.0\nto = 2.0\ncodes = [80]\n",
                 {"world.toml:16:", "robot \"ghost\""}},
        BadWorld{"misspelt key", replace(kCart, "controller =", "controler = \"ctl\"\ncontroller ="),
                 {"world.toml:5:", "unknown key \"controler\""}},
        BadWorld{"robot name unfit for a file", replace(kCart, "name = \"cart\"", "name = \"../cart\""),
                 {"robot name \"../cart\""}},
        BadWorld{"course gate without an opening", std::string(kCart) + "[course]\nrobot = \"cart\"\ngates = [\"box\"]\ndock = \"box\"\n",
                 {"world.toml:16:", "gate \"box\" has no box site"}},
        BadWorld{"course dock missing", std::string(kCart) + "[course]\nrobot = \"cart\"\ngates = [\"box\"]\ndock = \"harbour\"\n",
                 {"world.toml:16:", "body \"harbour\""}},
        BadWorld{"custom drive on a hinged body", replace(replace(kCart, "\"differential\"", "\"custom\""),
                                                          "  [robot.wheels]\n  left = \"left\"\n  right = \"right\"\n  speed_unit = 0.5\n", ""),
                 {"drive \"custom\" needs body \"cart\""}, replace(kSmallScene, "<freejoint/>", "")}),
    [](const ::testing::TestParamInfo<BadWorld>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(WorldTest, ResolvesEveryNameAndNumbersTheDevices) {
    TempWorld w;
    w.program("ctl");
    w.write("world.toml", std::string("duration = 2.5\n") + kCart + "  [[robot.device]]\n  name = \"gps\"\n  type = \"gps\"\n");
    w.write("scene.xml", kSmallScene);
    auto world = load_world(w.folder(), w.folder());
    ASSERT_EQ(world->robots.size(), 1u);
    const BoundRobot& cart = world->robots[0];
    EXPECT_EQ(cart.body, world->scene.find(mjOBJ_BODY, "cart"));
    ASSERT_TRUE(cart.wheels);
    EXPECT_EQ(cart.wheels->left_actuator, world->scene.find(mjOBJ_ACTUATOR, "left"));
    EXPECT_DOUBLE_EQ(cart.wheels->speed_unit, 0.5);
    ASSERT_EQ(cart.devices.size(), 2u);
    EXPECT_EQ(std::get<DistanceSensorModel>(cart.devices[0].model).site, world->scene.find(mjOBJ_SITE, "eye"));
    EXPECT_EQ(std::get<GpsModel>(cart.devices[1].model).site, -1);
    EXPECT_EQ(cart.program, std::filesystem::absolute(w.folder() / "ctl"));
    EXPECT_DOUBLE_EQ(world->manifest.duration, 2.5);
    // A distance sensor without a table reads 1000 up close, 0 at its range.
    auto lookup = std::get<DistanceSensorModel>(cart.devices[0].model).lookup;
    EXPECT_EQ(lookup, (std::vector<std::array<double, 2>>{{0.0, 1000.0}, {0.2, 0.0}}));
}

TEST(WorldTest, MissingFolderOrManifestIsNamed) {
    EXPECT_THROW(load_world("/nonexistent/world", "/"), WorldError);
    TempWorld w;
    std::string message = load_error(w);
    EXPECT_NE(message.find("world.toml: no such world file"), std::string::npos) << message;
}

}  // namespace
}  // namespace arena
