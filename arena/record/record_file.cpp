#include "arena/record/record_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "arena/record/record_write_error.h"

namespace arena {

RecordFile::RecordFile(std::filesystem::path file)
    : path_(std::move(file)), fd_(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
    if (!fd_) throw RecordWriteError(path_, errno);
}

void RecordFile::append(std::string_view lines) {
    std::size_t done = 0;
    while (done < lines.size()) {
        const ssize_t n = ::write(fd_.get(), lines.data() + done, lines.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            // Best effort: if even this fails, the cut line is all that is left.
            if (::ftruncate(fd_.get(), end_) == 0) ::lseek(fd_.get(), end_, SEEK_SET);
            throw RecordWriteError(path_, error);
        }
        done += std::size_t(n);
    }
    end_ += off_t(lines.size());
}

}  // namespace arena
