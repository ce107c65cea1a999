// What a person running the arena sees: controller lines on standard output,
// the arena's reports on standard error, and, when standard error is a
// terminal, a progress line that the other lines do not garble.
//
// The terminal is for reading, the recording for keeping: a robot's empty
// lines are not shown, and a line it repeats (with only empty lines between)
// is shown once, then with its count when the robot moves on or the run
// ends: "[airship] Docking COMPLETADO (x1082)".
#ifndef ARENA_RUN_DISPLAY_H
#define ARENA_RUN_DISPLAY_H

#include <chrono>
#include <map>
#include <string>

namespace arena {

class Display {
public:
    // quiet: the arena's own lines only, no robot's.
    explicit Display(bool progress, bool quiet = false) : progress_(progress), quiet_(quiet) {}
    ~Display() { finish(); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    void line(const std::string& robot, const std::string& text);  // "[robot] text" on stdout
    void report(const std::string& text);                          // "arena: text" on stderr
    // A few times a second: whether progress() would show anything now.
    bool progress_due() const;
    // "arena: t = 12.3 / 120.0 s" and the status, cut to the terminal's width.
    void progress(double t, double duration, const std::string& status);
    // The counts of repeats not said yet, and the progress line cleared.
    void finish();

private:
    struct Repeat {
        std::string text;
        long count = 0;
    };
    void clear_progress();
    void say_count(const std::string& robot, Repeat& r);

    bool progress_;
    bool quiet_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
    std::map<std::string, Repeat> last_line_;  // by robot
};

}  // namespace arena

#endif
