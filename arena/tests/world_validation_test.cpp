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

std::string case_name(const ::testing::TestParamInfo<BadWorld>& info) {
    std::string name = info.param.what;
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
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
        BadWorld{
            "malformed mjcf", kCart, {"scene.xml:1:"}, "<mujoco><worldbody><body name=\"x\"></worldbody></mujoco>"},
        BadWorld{"mjcf schema error",
                 kCart,
                 {"scene.xml:3:", "unrecognized attribute"},
                 "<mujoco>\n<worldbody>\n<geom type=\"box\" colour=\"red\"/>\n</worldbody></mujoco>"},
        BadWorld{"missing body",
                 replace(kCart, "body = \"cart\"", "body = \"nope\""),
                 {"world.toml:2:", "robot \"cart\"", "no body \"nope\""}},
        BadWorld{"missing site",
                 replace(kCart, "site = \"eye\"", "site = \"nose\""),
                 {"world.toml:", "robot \"cart\"", "device \"ir0\"", "no site \"nose\""}},
        BadWorld{"missing actuator",
                 replace(kCart, "left = \"left\"", "left = \"port\""),
                 {"robot \"cart\"", "no actuator \"port\""}},
        BadWorld{"unknown device type",
                 replace(kCart, "distance_sensor", "lidar"),
                 {"world.toml:13:", "device \"ir0\"", "unknown device type \"lidar\""}},
        BadWorld{"duplicate robot",
                 std::string(kCart) + replace(kCart, "body = \"cart\"", "body = \"box\""),
                 {"world.toml:17:", "duplicate robot name \"cart\""}},
        BadWorld{"duplicate device",
                 std::string(kCart) + "  [[robot.device]]\n  name = \"ir0\"\n  type = \"gps\"\n",
                 {"robot \"cart\"", "duplicate device name \"ir0\""}},
        BadWorld{"too many devices", many_devices(256), {"robot \"box\"", "256 devices", "at most 255"}},
        BadWorld{"missing controller",
                 replace(kCart, "\"ctl\"", "\"nothere\""),
                 {"robot \"cart\"", "controller \"nothere\" is not an executable program"}},
        BadWorld{"controller not executable",
                 replace(kCart, "\"ctl\"", "\"./not_executable\""),
                 {"robot \"cart\"", "controller \"./not_executable\" is not an executable program"}},
        BadWorld{"keys for no robot",
                 std::string(kCart) + "[[keys]]\nrobot = \"ghost\"\nfrom = 1.0\nto = 2.0\ncodes = [80]\n",
                 {"world.toml:16:", "robot \"ghost\""}},
        BadWorld{"once keys not a list",
                 std::string(kCart) + "[keyboard]\nonce = 80\n",
                 {"world.toml:17:", "[keyboard] \"once\" must be a list of key codes"}},
        BadWorld{"once key out of range",
                 std::string(kCart) + "[keyboard]\nonce = [80, 0]\n",
                 {"world.toml:17:", "key codes are whole numbers from 1 to 65535"}},
        BadWorld{"misspelt key",
                 replace(kCart, "controller =", "controler = \"ctl\"\ncontroller ="),
                 {"world.toml:5:", "unknown key \"controler\""}},
        BadWorld{"args not strings",
                 replace(kCart, "drive =", "args = [\"--gain\", 2]\ndrive ="),
                 {"world.toml:6:", "robot \"cart\"", "each of \"args\" must be a string"}},
        BadWorld{"env overriding the link",
                 replace(kCart, "drive =", "env = { ARENA_LINK_FD = \"7\" }\ndrive ="),
                 {"world.toml:6:", "robot \"cart\"", "env \"ARENA_LINK_FD\" cannot be overridden"}},
        BadWorld{"env value not a string",
                 replace(kCart, "drive =", "env = { GAIN = 2 }\ndrive ="),
                 {"world.toml:6:", "env \"GAIN\" must be a string"}},
        BadWorld{"robot name unfit for a file",
                 replace(kCart, "name = \"cart\"", "name = \"../cart\""),
                 {"robot name \"../cart\""}},
        BadWorld{"course gate without an opening",
                 std::string(kCart) + "[course]\nrobot = \"cart\"\ngates = [\"box\"]\ndock = \"box\"\n",
                 {"world.toml:16:", "gate \"box\" has no box site"}},
        BadWorld{"course dock missing",
                 std::string(kCart) + "[course]\nrobot = \"cart\"\ngates = [\"box\"]\ndock = \"harbour\"\n",
                 {"world.toml:16:", "body \"harbour\""}},
        BadWorld{"custom drive on a hinged body",
                 replace(replace(kCart, "\"differential\"", "\"custom\""),
                         "  [robot.wheels]\n  left = \"left\"\n  right = \"right\"\n  speed_unit = 0.5\n", ""),
                 {"drive \"custom\" needs body \"cart\""},
                 replace(kSmallScene, "<freejoint/>", "")}),
    case_name);

// A device added to the cart, its table starting on line 16.
std::string with_device(const std::string& keys) { return std::string(kCart) + "  [[robot.device]]\n" + keys; }

std::string camera(const std::string& name, int width, int height) {
    return "name = \"" + name + "\"\ntype = \"camera\"\nsite = \"eye\"\nwidth = " + std::to_string(width) +
           "\nheight = " + std::to_string(height) + "\n";
}

// Every number is finite and within what the run can take; every device
// takes only its own type's keys; every robot's samples fit the link.
INSTANTIATE_TEST_SUITE_P(
    Numbers, BadWorldTest,
    ::testing::Values(
        BadWorld{"duration nan",
                 "duration = nan\n" + std::string(kCart),
                 {"world.toml:1: \"duration\" must be a number above 0 and at most 1000000, not nan"}},
        BadWorld{"duration beyond a million seconds",
                 "duration = 1e300\n" + std::string(kCart),
                 {"world.toml:1:", "not 1e+300"}},
        BadWorld{"record period infinite",
                 "record_period = inf\n" + std::string(kCart),
                 {"world.toml:1:", "\"record_period\"", "not inf"}},
        BadWorld{"step timeout negative",
                 "step_timeout = -1.0\n" + std::string(kCart),
                 {"world.toml:1: \"step_timeout\" must be a number at least 0 and at most 1000000, not -1"}},
        BadWorld{"step timeout text",
                 "step_timeout = \"10\"\n" + std::string(kCart),
                 {"world.toml:1:", "\"step_timeout\" must be a number"}},
        BadWorld{"range nan",
                 replace(kCart, "range = 0.2", "range = nan"),
                 {"world.toml:15:", "device \"ir0\": \"range\"", "not nan"}},
        BadWorld{"noise infinite",
                 replace(kCart, "range = 0.2", "noise = inf"),
                 {"world.toml:15:", "\"noise\" must be a number at least 0"}},
        BadWorld{"lookup reading nan",
                 replace(kCart, "range = 0.2", "lookup = [[0.0, 1000.0], [0.2, nan]]"),
                 {"world.toml:15:", "device \"ir0\": \"lookup\"", "finite"}},
        BadWorld{"speed unit nan",
                 replace(kCart, "speed_unit = 0.5", "speed_unit = nan"),
                 {"world.toml:10:", "\"speed_unit\""}},
        BadWorld{"key hold to infinity",
                 std::string(kCart) + "[[keys]]\nrobot = \"cart\"\nfrom = 1.0\nto = inf\ncodes = [80]\n",
                 {"world.toml:19:", "\"to\" must be a number at least 1, not inf"}},
        BadWorld{"key hold from nan",
                 std::string(kCart) + "[[keys]]\nrobot = \"cart\"\nfrom = nan\ncodes = [80]\n",
                 {"world.toml:18:", "\"from\""}},
        BadWorld{"fov infinite",
                 with_device("name = \"cam\"\ntype = \"camera\"\nsite = \"eye\"\nfov = inf\n"),
                 {"world.toml:20:", "device \"cam\": \"fov\" must be a number above 0 and below 180"}},
        BadWorld{"aperture nan",
                 with_device("name = \"ircom\"\ntype = \"receiver\"\nsite = \"eye\"\naperture = nan\n"),
                 {"world.toml:20:", "\"aperture\""}},
        BadWorld{"gps with a camera's key",
                 with_device("name = \"gps\"\ntype = \"gps\"\nwidth = 64\n"),
                 {"world.toml:19:", "device \"gps\": a gps has no key \"width\" (its keys: name, type, site)"}},
        BadWorld{"receiver with a range",
                 with_device("name = \"ircom\"\ntype = \"receiver\"\nsite = \"eye\"\nrange = 2.0\n"),
                 {"world.toml:20:", "a receiver has no key \"range\""}},
        BadWorld{"camera of no pixels",
                 with_device(camera("cam", 0, 48)),
                 {"\"width\" must be a whole number from 1 to 65535"}},
        BadWorld{"camera image over the link",
                 with_device(camera("cam", 8000, 4000)),
                 {"world.toml:16:", "device \"cam\": a 8000 x 4000 image takes 96000005 bytes",
                  "more than the link carries"}},
        BadWorld{
            "two cameras over the link",
            with_device(camera("a", 3400, 3400)) + "  [[robot.device]]\n" + camera("b", 3400, 3400),
            {"world.toml:2: robot \"cart\": its samples with every camera's image", "more than the link carries"}}),
    case_name);

TEST(WorldTest, ResolvesEveryNameAndNumbersTheDevices) {
    TempWorld w;
    w.program("ctl");
    w.write("world.toml", std::string("duration = 2.5\nstep_timeout = 0\n") + kCart +
                              "  [[robot.device]]\n  name = \"gps\"\n  type = \"gps\"\n");
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
    EXPECT_EQ(world->manifest.step_timeout, 0.0);
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
