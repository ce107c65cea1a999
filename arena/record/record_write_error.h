// The recording could not be written (a full disk, an I/O error). The run
// cannot keep its promise that nothing is lost, so it stops: the message
// names the file and the OS error, e.g. "runs/x/poses.csv: No space left
// on device".
#ifndef ARENA_RECORD_RECORD_WRITE_ERROR_H
#define ARENA_RECORD_RECORD_WRITE_ERROR_H

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace arena {

struct RecordWriteError : std::runtime_error {
    RecordWriteError(const std::filesystem::path& file, int error)
        : std::runtime_error(file.string() + ": " + std::strerror(error)) {}
};

}  // namespace arena

#endif
