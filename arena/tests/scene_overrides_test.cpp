// A scene changed by --set is compiled from memory, yet its messages still
// point at the lines of the file a person reads, and name the override.
#include <gtest/gtest.h>

#include "arena/world/world.h"
#include "temp_world.h"

namespace arena {
namespace {

// Elements over several lines: the edited text, printed anew, has them on
// other lines than the file.
const char* const kSpreadScene = R"(<mujoco>
  <option timestep="0.004"
          gravity="0 -9.81 0"/>
  <worldbody>
    <geom name="floor" type="plane"
          size="5 5 0.1"/>
    <body name="box"
          mocap="true">
      <geom type="box" size="0.05 0.05 0.05"/>
    </body>
  </worldbody>
</mujoco>
)";

TEST(SceneOverrides, MessagesPointAtTheFilesLinesAndNameTheOverride) {
    testing::TempWorld w;
    w.program("ctl");
    w.write("world.toml", "[[robot]]\nname = \"box\"\nbody = \"box\"\ncontroller = \"ctl\"\n");
    w.write("scene.xml", kSpreadScene);
    const struct {
        std::string set, says;
    } cases[] = {
        {"scene.body.box.pos=up", "--set scene.body.box.pos: " + (w.folder() / "scene.xml").string() + ":7: "},
        {"scene.option.timestep=-1", "--set scene.option.timestep: " + (w.folder() / "scene.xml").string() + ":2: "},
    };
    for (const auto& c : cases) {
        try {
            load_world(w.folder(), w.folder(), {parse_override(c.set)});
            ADD_FAILURE() << c.set << " was taken";
        } catch (const WorldError& e) {
            EXPECT_EQ(std::string(e.what()).find(c.says), 0u) << e.what();
        }
    }
    const auto world = load_world(w.folder(), w.folder(), {parse_override("scene.body.box.pos=[1, 2.5, 3]")});
    const mjtNum* pos = world->scene.model()->body_pos + 3 * world->scene.find(mjOBJ_BODY, "box");
    EXPECT_EQ(std::vector<double>(pos, pos + 3), (std::vector<double>{1, 2.5, 3}));
}

}  // namespace
}  // namespace arena
