// A fresh folder under TMPDIR (or /tmp) for a fuzz target's files, removed
// when the fuzzer exits normally; a crash leaves it for a look.
#ifndef FUZZ_TEMP_FOLDER_H
#define FUZZ_TEMP_FOLDER_H

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::filesystem::path temp_folder(const char* name) {
    static std::filesystem::path made;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    made = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    });
    return made;
}

}  // namespace fuzz

#endif
