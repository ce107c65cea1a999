#include "session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>

namespace controller_client {

using namespace arena::link;

namespace {

// Console text and packets of one step together: far more than any program
// prints, small enough that a runaway print loop cannot exhaust the link.
constexpr std::size_t kMaxPendingBytes = 16u << 20;

const char* program() { return program_invocation_short_name; }

// Whether the program's stdout or stderr pipe holds bytes the arena has not
// read. The library has just flushed both, and the arena reads everything
// there whenever it is told, so these bytes are this step's output. Asking
// here costs the program a little time while the arena works on its physics
// and saves the arena a look at both pipes every step; when the answer is
// unknown (not a pipe), the arena looks.
bool output_waiting() {
    for (int fd : {1, 2}) {
        int bytes = 0;
        if (ioctl(fd, FIONREAD, &bytes) != 0 || bytes > 0) return true;
    }
    return false;
}

// A descriptor number written in decimal, or nothing.
std::optional<int> descriptor(const char* text) {
    char* end = nullptr;
    errno = 0;
    long fd = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || fd < 0 || fd > 1 << 20) return std::nullopt;
    return static_cast<int>(fd);
}

// The descriptor named by ARENA_LINK_FD; exits with status 2 when there is
// none, which is what happens when someone starts the program by hand.
int link_fd() {
    const char* text = std::getenv(kLinkFdVariable);
    if (text == nullptr) {
        std::fprintf(stderr,
                     "%s: this is a robot controller; start it with `arena run WORLD` "
                     "(ARENA_LINK_FD is not set)\n",
                     program());
        std::exit(2);
    }
    const std::optional<int> fd = descriptor(text);
    if (!fd || fcntl(*fd, F_GETFD) == -1) {
        std::fprintf(stderr,
                     "%s: ARENA_LINK_FD=%s is not an open descriptor; start it with "
                     "`arena run WORLD`\n",
                     program(), text);
        std::exit(2);
    }
    // A program that starts processes of its own must not hand them the link.
    fcntl(*fd, F_SETFD, FD_CLOEXEC);
    return *fd;
}

// The lane named by ARENA_LANE_FD, if the arena gave one; a lane that is
// named but cannot be attached is as fatal as a bad ARENA_LINK_FD.
std::optional<Lane> lane() {
    const char* text = std::getenv(kLaneFdVariable);
    if (text == nullptr) return std::nullopt;
    try {
        const std::optional<int> fd = descriptor(text);
        if (!fd) throw LinkError("not a descriptor");
        return Lane::attach(*fd);
    } catch (const LinkError& e) {
        std::fprintf(stderr, "%s: ARENA_LANE_FD=%s: %s; start it with `arena run WORLD`\n", program(), text, e.what());
        std::exit(2);
    }
}

}  // namespace

Session& session() {
    static Session s;
    return s;
}

void Session::fail(const std::string& why) const {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: link to the arena failed: %s\n", program(), why.c_str());
    std::exit(1);
}

void Session::stopped() const {
    std::exit(0);  // flushes stdout and stderr on the way out
}

void Session::connect() {
    if (channel_) return;
    const int fd = link_fd();
    if (auto l = lane()) {
        channel_.emplace(fd, std::move(*l), LaneSide::controller);
    } else {
        channel_.emplace(fd);
    }
    try {
        channel_->send(Hello{});
        auto frame = channel_->receive();
        if (!frame || frame->type == MessageType::stop) stopped();
        if (frame->type != MessageType::welcome) {
            fail(std::string("expected WELCOME, got ") + name_of(frame->type));
        }
        Welcome w = decode_welcome(frame->payload);
        robot_name_ = std::move(w.robot_name);
        devices_ = std::move(w.devices);
        apply(std::move(w.sensors));
    } catch (const PeerClosed&) {
        stopped();
    } catch (const LinkError& e) {
        fail(e.what());
    }
}

bool Session::step(int ms) {
    if (stopped_) return false;
    pending_.ms = ms;
    pending_.output_waiting = output_waiting();
    try {
        channel_->send(pending_);
        pending_ = Step{};
        pending_bytes_ = 0;
        overflow_reported_ = false;
        auto frame = channel_->receive();
        if (!frame || frame->type == MessageType::stop) {
            stopped_ = true;
            return false;
        }
        if (frame->type != MessageType::sensors) {
            fail(std::string("expected SENSORS, got ") + name_of(frame->type));
        }
        apply(decode_sensors(frame->payload));
        return true;
    } catch (const PeerClosed&) {
        stopped_ = true;
        return false;
    } catch (const LinkError& e) {
        fail(e.what());
    }
}

void Session::apply(Sensors s) {
    auto check = [this](std::uint8_t tag, DeviceType type) {
        if (!is(tag, type)) {
            throw LinkError("SENSORS carries a " + std::string(name_of(type)) + " sample for tag " +
                            std::to_string(tag) + ", which is not a " + name_of(type) + " of this robot");
        }
    };
    for (const auto& d : s.distances) {
        check(d.tag, DeviceType::distance_sensor);
        states_[d.tag].distance = d.value;
    }
    for (const auto& g : s.gps) {
        check(g.tag, DeviceType::gps);
        states_[g.tag].matrix = g.matrix;
    }
    for (const auto& d : devices_) {
        auto& st = states_[d.tag];
        st.image_fetched = false;
        if (d.type == DeviceType::receiver) st.packet.assign(1, 0);
    }
    for (const auto& p : s.packets) {
        check(p.tag, DeviceType::receiver);
        auto& packet = states_[p.tag].packet;
        if (packet.size() != 1) {
            throw LinkError("SENSORS carries two packets for receiver tag " + std::to_string(p.tag));
        }
        packet.assign(p.bytes.begin(), p.bytes.end());
        packet.push_back(0);
    }
    for (const auto& c : s.cameras) {
        check(c.tag, DeviceType::camera);
        states_[c.tag].width = c.width;
        states_[c.tag].height = c.height;
    }
    for (auto& img : s.images) {  // looked at last step, so brought without asking
        check(img.tag, DeviceType::camera);
        keep_image(std::move(img));
    }
    keys_ = s.keys;
    next_key_ = 0;
}

bool Session::is(DeviceTag tag, DeviceType type) const {
    return tag >= 1 && tag <= devices_.size() && devices_[tag - 1].type == type;
}

DeviceTag Session::find(const char* name) const {
    if (name == nullptr) return 0;
    for (const auto& d : devices_) {
        if (d.name == name) return d.tag;
    }
    return 0;
}

void Session::keep_image(Image&& img) {
    DeviceState& st = states_[img.tag];
    st.width = img.width;
    st.height = img.height;
    st.image = std::move(img.rgb);
    st.image_fetched = true;
}

const DeviceState& Session::image(DeviceTag tag) {
    DeviceState& st = states_[tag];
    if (!channel_ || stopped_) return st;
    auto& looked = pending_.looked;
    if (std::find(looked.begin(), looked.end(), tag) == looked.end()) looked.push_back(tag);
    if (st.image_fetched) return st;
    try {
        channel_->send(ImageRequest{tag});
        auto frame = channel_->receive();
        if (!frame || frame->type == MessageType::stop) stopped();
        if (frame->type != MessageType::image) {
            fail(std::string("expected IMAGE, got ") + name_of(frame->type));
        }
        Image img = decode_image(frame->payload);
        if (img.tag != tag) {
            fail("asked for the image of camera tag " + std::to_string(tag) + ", got tag " + std::to_string(img.tag));
        }
        keep_image(std::move(img));
    } catch (const PeerClosed&) {
        stopped();
    } catch (const LinkError& e) {
        fail(e.what());
    }
    return st;
}

int Session::next_key() { return next_key_ < keys_.size() ? keys_[next_key_++] : 0; }

bool Session::reserve(std::size_t bytes, const char* what) {
    if (bytes <= kMaxPendingBytes - pending_bytes_) {
        pending_bytes_ += bytes;
        return true;
    }
    if (!overflow_reported_) {
        std::fprintf(stderr,
                     "%s: more than 16 MiB of console text and packets in one step; "
                     "%s dropped until the next step\n",
                     program(), what);
        overflow_reported_ = true;
    }
    return false;
}

}  // namespace controller_client
