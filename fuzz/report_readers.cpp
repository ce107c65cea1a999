// The readers of `arena report` on arbitrary file contents. The first input
// byte picks which file of a small valid recording (fuzz/recording/) the rest
// replaces; the report's data and page are then built from the folder. A
// RecordingError is the expected answer to a file it cannot read; anything
// else (another exception, a crash, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "arena/report/recording_lines.h"
#include "arena/report/write_report.h"
#include "fuzz/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The files a recording holds, as the readers find them.
constexpr const char* kFiles[] = {"summary.json", "scene.json", "poses.csv", "console.log", "traces/listener.jsonl"};
constexpr std::size_t kKinds = std::size(kFiles);

fs::path folder;
std::vector<std::string> originals;  // the valid recording's files, by kind

void write_file(const fs::path& file, const void* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    if (!out.flush()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzz::temp_folder("fuzz-report") / "run";
    fs::create_directories(folder / "traces");
    for (const char* name : kFiles) {
        originals.push_back(arena::read_file(fs::path(FUZZ_RECORDING) / name));
        write_file(folder / name, originals.back().data(), originals.back().size());
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t kind = data[0] % kKinds;
    write_file(folder / kFiles[kind], data + 1, size - 1);
    try {
        // Small limits, so that thinning is exercised by small inputs too.
        const arena::ReportLimits limits{.frames = 8, .steps = 8, .console_lines = 8};
        arena::report_html(arena::report_data(folder, limits));
    } catch (const arena::RecordingError&) {
    }
    write_file(folder / kFiles[kind], originals[kind].data(), originals[kind].size());
    return 0;
}
