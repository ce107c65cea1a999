#include "arena/report/recording_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace arena {
namespace {

void check_depth(std::string_view text) {
    int depth = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\') ++i;
            else if (c == '"') in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth) {
                throw RecordingError("JSON nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

std::string os_error(const std::filesystem::path& file) { return file.string() + ": " + std::strerror(errno); }

}  // namespace

std::size_t line_end(std::string_view text) { return text.find('\n'); }

std::string read_file(const std::filesystem::path& file) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw RecordingError(os_error(file));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw RecordingError(os_error(file));
    if (!S_ISREG(st.st_mode)) throw RecordingError(file.string() + ": not a regular file");
    if (std::size_t(st.st_size) > kMaxFileBytes) throw RecordingError(file.string() + ": larger than 1 GiB");
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw RecordingError(os_error(file));
        if (n == 0) break;  // shrank while read: what is there is read
        got += std::size_t(n);
    }
    text.resize(got);
    return text;
}

void for_each_line(const std::filesystem::path& file, const std::function<void(std::string_view)>& parse,
                   std::vector<std::string>& notes, RecordEnd end_of) {
    const std::string text = read_file(file);
    std::string_view rest = text;
    for (std::size_t number = 1; !rest.empty();) {
        const auto end = end_of(rest);
        const bool complete = end != std::string_view::npos;
        const std::string_view line = rest.substr(0, complete ? end : rest.size());
        rest.remove_prefix(complete ? end + 1 : rest.size());
        const std::string where = file.string() + ":" + std::to_string(number);
        if (line.size() > kMaxLineBytes) throw RecordingError(where + ": a line longer than 16 MiB");
        try {
            parse(line);
        } catch (const std::exception& e) {
            if (complete) throw RecordingError(where + ": " + e.what());
            notes.push_back(file.filename().string() +
                            ": its last line is cut short (an interrupted run?) and is left out");
        }
        number += 1 + std::size_t(std::count(line.begin(), line.end(), '\n'));  // a record may span lines
    }
}

nlohmann::json parse_json(std::string_view text) {
    check_depth(text);
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        throw RecordingError(e.what());
    }
}

bool present(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace arena
