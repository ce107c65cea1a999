#include "scene_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace arena::test {

Scene::Scene(mjModel* model) : m(model), d(model ? mj_makeData(model) : nullptr) {
    if (d) mj_forward(m, d);
}

Scene::Scene(Scene&& other) noexcept : m(other.m), d(other.d) { other.m = nullptr, other.d = nullptr; }

Scene::~Scene() {
    if (d) mj_deleteData(d);
    if (m) mj_deleteModel(m);
}

Scene Scene::from_xml(const std::string& xml) {
    // mjVFS holds thousands of file slots: too big for the stack.
    auto vfs = std::make_unique<mjVFS>();
    mj_defaultVFS(vfs.get());
    mj_makeEmptyFileVFS(vfs.get(), "scene.xml", int(xml.size()));
    std::memcpy(vfs->filedata[mj_findFileVFS(vfs.get(), "scene.xml")], xml.data(), xml.size());
    char error[1000] = "";
    mjModel* model = mj_loadXML("scene.xml", vfs.get(), error, sizeof error);
    mj_deleteVFS(vfs.get());
    EXPECT_NE(model, nullptr) << error;
    return Scene(model);
}

Scene Scene::from_file(const std::string& path) {
    char error[1000] = "";
    mjModel* model = mj_loadXML(path.c_str(), nullptr, error, sizeof error);
    EXPECT_NE(model, nullptr) << path << ": " << error;
    return Scene(model);
}

}  // namespace arena::test
