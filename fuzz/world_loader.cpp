// The world loader on arbitrary world.toml text, beside a fixed scene
// (fuzz/world/scene.xml) and a folder holding one executable controller,
// "robot_program". A WorldError is the expected answer to a bad world;
// anything else (another exception, a crash, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "arena/world/world.h"
#include "arena/world/world_error.h"
#include "fuzz/temp_folder.h"

namespace fs = std::filesystem;

namespace {

fs::path world_folder, programs_folder;

void write_file(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out.flush()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const fs::path root = fuzz::temp_folder("fuzz-world");
    world_folder = root / "world";
    programs_folder = root / "bin";
    fs::create_directories(world_folder);
    fs::create_directories(programs_folder);
    fs::copy_file(FUZZ_WORLD_SCENE, world_folder / "scene.xml");
    const std::uint8_t script[] = "#!/bin/sh\n";
    write_file(programs_folder / "robot_program", script, sizeof script - 1);
    fs::permissions(programs_folder / "robot_program", fs::perms::owner_all);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    write_file(world_folder / "world.toml", data, size);
    try {
        // read_manifest alone first: it is what `arena check` trusts before
        // the scene is loaded, and it is cheap, so most inputs stop here.
        arena::read_manifest(world_folder / "world.toml");
        arena::load_world(world_folder, programs_folder);
    } catch (const arena::WorldError&) {
    }
    return 0;
}
