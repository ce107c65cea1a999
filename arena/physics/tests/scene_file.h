// A scene written to a fresh temporary folder and loaded by the arena's own
// loader, for tests that need a model.
#ifndef ARENA_PHYSICS_TESTS_SCENE_FILE_H
#define ARENA_PHYSICS_TESTS_SCENE_FILE_H

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace arena::test {

class SceneFile {
public:
    explicit SceneFile(const std::string& xml) {
        std::string pattern = (std::filesystem::temp_directory_path() / "physics_test.XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        std::ofstream(file()) << xml;
    }
    ~SceneFile() { std::filesystem::remove_all(folder_); }
    SceneFile(const SceneFile&) = delete;
    SceneFile& operator=(const SceneFile&) = delete;
    std::filesystem::path folder() const { return folder_; }
    std::filesystem::path file() const { return folder_ / "scene.xml"; }

private:
    std::filesystem::path folder_;
};

}  // namespace arena::test

#endif
