// Joins a byte stream into whole lines: a line may come in several pieces
// (pipe reads, console prints) and a piece may hold several lines. A line
// longer than kMaxLineBytes is passed on in pieces of that size, so that a
// program printing without line feeds cannot fill the arena's memory.
#ifndef ARENA_PROCESS_LINE_JOINER_H
#define ARENA_PROCESS_LINE_JOINER_H

#include <string>
#include <string_view>
#include <vector>

namespace arena {

class LineJoiner {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    // Appends bytes and returns the lines they complete, without line feeds.
    std::vector<std::string> add(std::string_view bytes) {
        std::vector<std::string> lines;
        for (char c : bytes) {
            if (c == '\n') {
                lines.push_back(std::move(partial_));
                partial_.clear();
            } else {
                partial_ += c;
                if (partial_.size() == kMaxLineBytes) {
                    lines.push_back(std::move(partial_));
                    partial_.clear();
                }
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
