#include "arena/record/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "arena/process/unique_fd.h"
#include "arena/record/record_write_error.h"

namespace arena {
namespace {

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

// So that the rename itself survives a crash. Some file systems refuse
// fsync on a folder; the file's own data is already safe then.
void sync_folder(const std::filesystem::path& folder) {
    UniqueFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
}

}  // namespace

void write_whole_file(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::path partial = file;
    partial += ".partial";
    // A leftover (or a planted symlink) must not be written through.
    ::unlink(partial.c_str());
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) throw RecordWriteError(file, errno);
    // close() is checked too: some file systems report a failed write only there.
    int error = 0;
    if (!write_all(fd, text) || ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(partial.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(partial.c_str());
        throw RecordWriteError(file, error);
    }
    sync_folder(file.parent_path());
}

}  // namespace arena
