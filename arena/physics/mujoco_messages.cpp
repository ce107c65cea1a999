#include "arena/physics/mujoco_messages.h"

#include <mujoco/mujoco.h>

#include <mutex>

namespace arena {
namespace {

std::mutex queue_mutex;
std::vector<std::string> queue;

void on_warning(const char* msg) {
    std::lock_guard lock(queue_mutex);
    queue.emplace_back(msg);
}

// MuJoCo expects this hook never to return: the data it was working on is
// half updated.
[[noreturn]] void on_error(const char* msg) { throw PhysicsError(std::string("MuJoCo error: ") + msg); }

}  // namespace

void install_mujoco_handlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        mju_user_warning = on_warning;
        mju_user_error = on_error;
    });
}

std::vector<std::string> take_mujoco_warnings() {
    std::lock_guard lock(queue_mutex);
    std::vector<std::string> out;
    out.swap(queue);
    return out;
}

}  // namespace arena
