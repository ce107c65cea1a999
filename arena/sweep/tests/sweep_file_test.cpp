// A sweep's sweep file as its author writes it: mistakes named with their line and
// key, and the runs it describes, in the order and with the values a
// cluster's tasks and the local pool agree on.
#include <gtest/gtest.h>

#include "arena/sweep/expansion.h"
#include "arena/sweep/sweep_file.h"

namespace {

using arena::sweep::expand;
using arena::sweep::parse_spec;
using arena::sweep::SpecError;

std::string error_of(const std::string& text) {
    try {
        parse_spec(text, "s.toml");
    } catch (const SpecError& e) {
        return e.what();
    }
    return "";
}

TEST(SweepSpec, MistakesNameTheLineAndKey) {
    const std::string head = "world = \"w\"\n";
    const struct {
        std::string text, expected;
    } cases[] = {
        {head + "[[vary]]\nkey = \"robot.a\"\nvalues = [1]\n", "s.toml:3: vary.key: a robot's key is robot.NAME.KEY"},
        {head + "[[vary]]\nkey = \"duration\"\nrange = { from = 1, to = 5, step = 0 }\n",
         "s.toml:4: vary.duration.range.step: must be above 0"},
        {head + "[[vary]]\nkey = \"duration\"\nvalues = [1]\nrandom = { min = 0, max = 1, count = 2 }\n",
         "give exactly one of \"values\", \"range\" and \"random\""},
        {head + "runs = 0\n[[vary]]\nkey = \"duration\"\nvalues = [1]\n", "s.toml:2: runs: must be a whole number"},
        {head + "[[vary]]\nkey = \"seed\"\nvalues = [1, 2]\n", "s.toml:3: vary.key: the seeds come from"},
        {head + "colour = 3\n[[vary]]\nkey = \"duration\"\nvalues = [1]\n", "s.toml:2: colour: unknown key"},
        {head + "[[vary]]\nkey = \"duration\"\nvalues = [{ a = 1 }]\n", "must be a number, a string, a boolean"},
        {head, "s.toml: nothing to vary"},
        {"world = \"w\"\nruns = [\n", "s.toml:"},
    };
    for (const auto& c : cases) {
        const std::string error = error_of(c.text);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << "\ngave: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(SweepSpec, GridsExpandInOneOrderWithSeedsAndOverrideTexts) {
    const auto spec = parse_spec(R"(
world = "world"
runs = 2
seed = 10
[set]
"robot.a.device.ir0.noise" = 0.5
[[vary]]
key = "scene.inertial.ship.diaginertia"
label = "yaw"
format = "0.002 {} {}"
range = { from = 0.004, to = 0.012, step = 0.004 }
[[vary]]
key = "robot.a.name_text"
values = ["x y", "z"]
[[grid]]
  [[grid.vary]]
  key = "scene.body.ship.pos"
  random = { min = [0, 1, 0], max = [1, 2, 0], count = 2, seed = 3 }
)",
                                 "dir/spec.toml");
    EXPECT_EQ(spec.world, "dir/world");
    const auto runs = expand(spec);
    ASSERT_EQ(runs.size(), (3 * 2 + 2) * 2u);
    // The last axis turns fastest; each point's runs take seeds 10, 11.
    EXPECT_EQ(runs[0].settings[1].text, "0.002 0.004 0.004");
    EXPECT_EQ(runs[2].settings[2].text, "\"z\"");
    EXPECT_EQ(runs[4].settings[1].text, "0.002 0.008 0.008");
    EXPECT_EQ(runs[11].settings[1].value, 0.012);
    EXPECT_EQ(runs[5].seed, 11u);
    EXPECT_EQ(runs[5].point, 2u);
    for (const auto& r : runs) EXPECT_EQ(r.settings[0].text, "0.5");
    // The random grid: points inside their bounds, the same ones every time.
    const auto again = expand(spec);
    for (std::size_t i = 12; i < runs.size(); ++i) {
        const auto& pos = runs[i].settings[1].value;
        EXPECT_GE(pos[0].get<double>(), 0.0);
        EXPECT_LT(pos[1].get<double>(), 2.0);
        EXPECT_EQ(pos[2].get<double>(), 0.0);
        EXPECT_EQ(runs[i].settings[1].text, again[i].settings[1].text);
    }
    EXPECT_NE(runs[12].settings[1].value, runs[14].settings[1].value);
    const auto args = arena::sweep::run_arguments(spec, runs[1]);
    const std::vector<std::string> expected = {"run",    "dir/world",
                                               "--set",  "robot.a.device.ir0.noise=0.5",
                                               "--set",  "scene.inertial.ship.diaginertia=0.002 0.004 0.004",
                                               "--set",  "robot.a.name_text=\"x y\"",
                                               "--seed", "11"};
    EXPECT_EQ(args, expected);
}

}  // namespace
