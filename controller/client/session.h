// The client end of the link: one per controller process.
//
// The C operations of controller.h are thin wrappers over this object. It
// holds the device table from the handshake, the samples of the last step
// (reads are local), and the commands queued for the next STEP.
#ifndef CONTROLLER_CLIENT_SESSION_H
#define CONTROLLER_CLIENT_SESSION_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controller.h"
#include "link/channel.h"
#include "link/messages.h"

namespace controller_client {

using arena::link::DeviceType;

// What the library knows of one device between two steps.
struct DeviceState {
    std::uint16_t distance = 0;
    std::array<float, 16> matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // The packet of this step plus one zero byte, so that a program reading
    // it as text never runs past the end.
    std::vector<std::uint8_t> packet{0};
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::vector<std::uint8_t> image;
    bool image_fetched = false;  // this step's image is here
};

class Session {
public:
    // Connects through ARENA_LINK_FD and shakes hands. Without the variable
    // it prints how to run the program and exits with status 2; on STOP or a
    // closed link it exits with status 0. Does nothing once connected.
    void connect();

    // Sends the queued commands with STEP(ms) and waits for the samples.
    // False once the arena has stopped the run (or closed the link).
    bool step(int ms);

    // Whether tag names a device of that type on this robot.
    bool is(DeviceTag tag, DeviceType type) const;
    DeviceTag find(const char* name) const;
    const std::string& robot_name() const { return robot_name_; }

    DeviceState& state(DeviceTag tag) { return states_[tag]; }
    // The camera's image of this step: brought with the samples when the
    // program looked at it the step before, otherwise fetched on first use.
    const DeviceState& image(DeviceTag tag);
    // The next key held this step, then 0.
    int next_key();

    // The commands of the next STEP.
    arena::link::Step& pending() { return pending_; }
    // Whether bytes more of console text or packets fit in this step; says
    // so on stderr (once per step) when they do not.
    bool reserve(std::size_t bytes, const char* what);

private:
    void apply(arena::link::Sensors s);
    void keep_image(arena::link::Image&& img);
    [[noreturn]] void fail(const std::string& why) const;
    [[noreturn]] void stopped() const;

    std::optional<arena::link::Channel> channel_;
    bool stopped_ = false;
    std::string robot_name_;
    std::vector<arena::link::DeviceEntry> devices_;
    std::array<DeviceState, 256> states_{};
    std::vector<std::int32_t> keys_;
    std::size_t next_key_ = 0;
    arena::link::Step pending_;
    std::size_t pending_bytes_ = 0;
    bool overflow_reported_ = false;
};

// The one session of this process.
Session& session();

}  // namespace controller_client

#endif
