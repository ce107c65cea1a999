#include "arena/report/recording_lines.h"

#include <fstream>
#include <sstream>

namespace arena {

std::string read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw RecordingError("cannot read " + file.string());
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void for_each_line(const std::filesystem::path& file,
                   const std::function<void(std::string_view)>& parse, std::vector<std::string>& notes) {
    const std::string text = read_file(file);
    std::string_view rest = text;
    for (std::size_t number = 1; !rest.empty(); ++number) {
        const auto end = rest.find('\n');
        const bool complete = end != std::string_view::npos;
        const std::string_view line = rest.substr(0, complete ? end : rest.size());
        rest.remove_prefix(complete ? end + 1 : rest.size());
        try {
            parse(line);
        } catch (const std::exception& e) {
            if (complete) {
                throw RecordingError(file.string() + ":" + std::to_string(number) + ": " + e.what());
            }
            notes.push_back(file.filename().string() + ": its last line is cut short (an interrupted run?) and is left out");
        }
    }
}

}  // namespace arena
