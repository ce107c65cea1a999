#include "arena/physics/command_check.h"

#include <cmath>
#include <cstdio>
#include <span>

namespace arena {
namespace {

std::string listed(std::span<const float> v) {
    std::string out = "(";
    for (std::size_t i = 0; i < v.size(); ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%g", i ? ", " : "", double(v[i]));
        out += buf;
    }
    return out + ")";
}

bool finite(std::span<const float> v) {
    for (float x : v) {
        if (!std::isfinite(x)) return false;
    }
    return true;
}

double length(std::span<const float> v) {
    double sum = 0;
    for (float x : v) sum += double(x) * double(x);
    return std::sqrt(sum);
}

// "force (1e+38, 0, 0) is beyond 10000 N", or nothing.
std::optional<std::string> vector_fault(const char* what, std::span<const float> v, double bound, const char* unit) {
    if (!finite(v)) return std::string(what) + " " + listed(v) + " is not finite";
    if (length(v) > bound) {
        char buf[64];
        std::snprintf(buf, sizeof buf, " is beyond %g %s", bound, unit);
        return std::string(what) + " " + listed(v) + buf;
    }
    return std::nullopt;
}

std::optional<std::string> move_fault(const std::array<float, 7>& m) {
    const std::span<const float> all(m);
    const std::span<const float> position = all.first(3);
    if (!finite(all)) return "move " + listed(all) + " is not finite";
    for (float x : position) {
        if (std::fabs(x) > kMaxPosition) return "move to " + listed(position) + " is beyond 10000 m";
    }
    if (std::fabs(m[6]) > kMaxAngle) return "move's angle " + listed(all.last(1)) + " is beyond 10000 rad";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> refuse_commands(const link::Step& step) {
    if (step.force_torque) {
        const std::span<const float> ft(*step.force_torque);
        if (auto f = vector_fault("force", ft.first(3), kMaxForce, "N")) return f;
        if (auto t = vector_fault("torque", ft.last(3), kMaxTorque, "N m")) return t;
    }
    if (step.move) return move_fault(*step.move);
    return std::nullopt;
}

}  // namespace arena
