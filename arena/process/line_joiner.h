// Joins a byte stream into whole lines: a line may come in several pieces
// (pipe reads, console prints) and a piece may hold several lines.
#ifndef ARENA_PROCESS_LINE_JOINER_H
#define ARENA_PROCESS_LINE_JOINER_H

#include <string>
#include <string_view>
#include <vector>

namespace arena {

class LineJoiner {
public:
    // Appends bytes and returns the lines they complete, without line feeds.
    std::vector<std::string> add(std::string_view bytes) {
        std::vector<std::string> lines;
        for (char c : bytes) {
            if (c == '\n') {
                lines.push_back(std::move(partial_));
                partial_.clear();
            } else {
                partial_ += c;
            }
        }
        return lines;
    }

    // The unfinished line, if any, so that nothing is lost at the end.
    std::vector<std::string> finish() {
        std::vector<std::string> lines;
        if (!partial_.empty()) lines.push_back(std::move(partial_));
        partial_.clear();
        return lines;
    }

private:
    std::string partial_;
};

}  // namespace arena

#endif
