// What a person running the arena sees: controller lines on standard output,
// the arena's reports on standard error, and, when standard error is a
// terminal, a progress line that the other lines do not garble.
#ifndef ARENA_RUN_DISPLAY_H
#define ARENA_RUN_DISPLAY_H

#include <chrono>
#include <string>

namespace arena {

class Display {
public:
    explicit Display(bool progress) : progress_(progress) {}
    ~Display() { clear_progress(); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    void line(const std::string& robot, const std::string& text);  // "[robot] text" on stdout
    void report(const std::string& text);                          // "arena: text" on stderr
    // A few times a second: whether progress() would show anything now.
    bool progress_due() const;
    // "arena: t = 12.3 / 120.0 s" and the status, cut to the terminal's width.
    void progress(double t, double duration, const std::string& status);

private:
    void clear_progress();

    bool progress_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace arena

#endif
