#include "temp_world.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace arena::testing {

const char* const kSmallScene = R"(<mujoco>
  <option timestep="0.002" gravity="0 -9.81 0"/>
  <worldbody>
    <geom name="floor" type="plane" size="2 2 0.1" zaxis="0 1 0"/>
    <body name="box" mocap="true">
      <geom type="box" size="0.05 0.05 0.05" contype="0" conaffinity="0"/>
      <site name="eye" pos="0.05 0 0"/>
    </body>
    <body name="cart" pos="1 0.05 0">
      <freejoint/>
      <geom type="box" size="0.05 0.03 0.05"/>
      <body name="wheel_l" pos="0 0 -0.06">
        <joint name="hinge_l" type="hinge" axis="0 0 -1"/>
        <geom type="cylinder" size="0.02 0.005"/>
      </body>
      <body name="wheel_r" pos="0 0 0.06">
        <joint name="hinge_r" type="hinge" axis="0 0 -1"/>
        <geom type="cylinder" size="0.02 0.005"/>
      </body>
    </body>
  </worldbody>
  <actuator>
    <velocity name="left" joint="hinge_l" kv="0.01"/>
    <velocity name="right" joint="hinge_r" kv="0.01"/>
  </actuator>
</mujoco>
)";

TempWorld::TempWorld() {
    std::string pattern = (std::filesystem::temp_directory_path() / "arena-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
}

TempWorld::~TempWorld() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

void TempWorld::write(const std::string& name, const std::string& text) const { std::ofstream(folder_ / name) << text; }

void TempWorld::program(const std::string& name) const {
    write(name, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(folder_ / name, std::filesystem::perms::owner_all);
}

}  // namespace arena::testing
