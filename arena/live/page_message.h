// What a page may ask of the run, checked at the door: a page is a program
// the arena did not write, and a message that is not one of these, or is
// too long, is refused with the reason (and the server drops it and logs it).
//
//   {"type":"key","code":317,"down":true,"robot":"airship"}   robot optional
//   {"type":"pause"} {"type":"resume"} {"type":"step"}
//   {"type":"speed","value":4}        0.25 to 8, or "max": as fast as it goes
#ifndef ARENA_LIVE_PAGE_MESSAGE_H
#define ARENA_LIVE_PAGE_MESSAGE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace arena {

constexpr std::size_t kMaxPageMessage = 512;  // bytes; the longest real one is under 100
constexpr double kMinSpeed = 0.25, kMaxSpeed = 8.0;

enum class PageCommandKind { key_down, key_up, pause, resume, step, speed };

struct PageCommand {
    explicit PageCommand(PageCommandKind k) : kind(k) {}
    PageCommandKind kind;
    int code = 0;       // key_down, key_up
    std::string robot;  // key_down, key_up; empty: the robot the run chose
    double speed = 1;   // speed; 0: as fast as it goes
};

// The command, or the reason the message is refused.
std::variant<PageCommand, std::string> parse_page_message(std::string_view text);

}  // namespace arena

#endif
