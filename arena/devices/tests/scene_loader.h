#pragma once
// Loads a small MJCF scene for a test and owns its model and data.

#include <mujoco/mujoco.h>

#include <string>

namespace arena::test {

class Scene {
public:
    // Fails the test (and leaves m and d null) when the MJCF does not load.
    static Scene from_xml(const std::string& xml);
    static Scene from_file(const std::string& path);

    Scene(Scene&& other) noexcept;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    Scene& operator=(Scene&&) = delete;
    ~Scene();

    int body(const char* name) const { return mj_name2id(m, mjOBJ_BODY, name); }
    int site(const char* name) const { return mj_name2id(m, mjOBJ_SITE, name); }
    int actuator(const char* name) const { return mj_name2id(m, mjOBJ_ACTUATOR, name); }
    void step(int n = 1) {
        for (int i = 0; i < n; i++) mj_step(m, d);
    }

    mjModel* m = nullptr;
    mjData* d = nullptr;

private:
    explicit Scene(mjModel* model);
};

}  // namespace arena::test
