// A line-based file of the recording (console.log, poses.csv, a trace),
// grown by whole lines. Each append is written at once; when the disk takes
// only part of it, the file is cut back to the end of the previous append,
// so a reader never meets half a line, and RecordWriteError is thrown.
#ifndef ARENA_RECORD_RECORD_FILE_H
#define ARENA_RECORD_RECORD_FILE_H

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "arena/process/unique_fd.h"

namespace arena {

class RecordFile {
public:
    // Created, or emptied when it exists.
    explicit RecordFile(std::filesystem::path file);

    // lines: one or more whole lines, each ending in '\n'.
    void append(std::string_view lines);

private:
    std::filesystem::path path_;
    UniqueFd fd_;
    off_t end_ = 0;  // where the last whole append ended
};

}  // namespace arena

#endif
