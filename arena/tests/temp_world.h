// A world folder made on the fly in a fresh temporary directory, removed
// when the test ends: the way the tests build the bad worlds they check.
#ifndef ARENA_TESTS_TEMP_WORLD_H
#define ARENA_TESTS_TEMP_WORLD_H

#include <filesystem>
#include <string>

namespace arena::testing {

class TempWorld {
public:
    TempWorld();
    ~TempWorld();
    TempWorld(const TempWorld&) = delete;
    TempWorld& operator=(const TempWorld&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    void write(const std::string& name, const std::string& text) const;
    // An executable shell script named `name` in the folder.
    void program(const std::string& name) const;

private:
    std::filesystem::path folder_;
};

// A scene with a floor, a mocap body "box" with site "eye", a wheeled body
// "cart" with actuators "left" and "right".
extern const char* const kSmallScene;

}  // namespace arena::testing

#endif
