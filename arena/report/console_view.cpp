#include "arena/report/console_view.h"

#include <charconv>

#include "arena/record/console_text.h"
#include "arena/report/recording_lines.h"
#include "arena/report/shown_text.h"

namespace arena {

ConsoleView console_view(const std::filesystem::path& file, std::size_t max_lines, std::vector<std::string>& notes) {
    ConsoleView view;
    for_each_line(
        file,
        [&](std::string_view line) {
            std::string_view f[3];
            for (auto& field : f) {
                const auto tab = line.find('\t');
                if (tab == std::string_view::npos) throw RecordingError("expected TIME, ROBOT, STREAM and TEXT");
                field = line.substr(0, tab);
                line.remove_prefix(tab + 1);
            }
            double time = 0;
            const auto r = std::from_chars(f[0].data(), f[0].data() + f[0].size(), time);
            if (r.ec != std::errc() || r.ptr != f[0].data() + f[0].size()) throw RecordingError("bad time");
            if (view.lines.size() == max_lines) {
                ++view.omitted;
                return;
            }
            // Decoded whole, so a malformed escape is an error here rather than
            // garbage on the page.
            view.lines.push_back({time, std::string(f[1]), std::string(f[2]), shown_text(unescape_text(line))});
        },
        notes);
    if (view.omitted) {
        notes.push_back("the console shows the first " + std::to_string(max_lines) + " lines; " +
                        std::to_string(view.omitted) + " more are in console.log");
    }
    return view;
}

}  // namespace arena
