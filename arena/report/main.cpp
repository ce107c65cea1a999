// arena_report DIR: writes DIR/report.html from the recording in DIR.
#include <cstdio>
#include <exception>

#include "arena/report/write_report.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING_DIR\n", argv[0]);
        return 2;
    }
    try {
        std::printf("%s\n", arena::write_report(argv[1]).string().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "arena_report: %s\n", e.what());
        return 2;  // as `arena report`: the recording cannot be read
    }
}
