// A file that is either whole or absent: written beside under a temporary
// name, checked, flushed to the disk and renamed into place. A full disk
// leaves the previous file (or none), never a cut one.
#ifndef ARENA_RECORD_WHOLE_FILE_H
#define ARENA_RECORD_WHOLE_FILE_H

#include <filesystem>
#include <string_view>

namespace arena {

// Throws RecordWriteError naming file when any step fails; the temporary
// file is removed then.
void write_whole_file(const std::filesystem::path& file, std::string_view text);

}  // namespace arena

#endif
