#include "arena/physics/wind.h"

#include <cmath>

namespace arena {
namespace {

// Told apart from the sensor noise's streams, which are seeded from the
// seed and a robot's index alone.
constexpr std::uint32_t kWindStream = 0x77696e64;  // "wind"

double normal(std::mt19937_64& rng) { return std::normal_distribution<double>(0.0, 1.0)(rng); }

}  // namespace

Wind::Wind(const std::vector<WindSource>& sources, std::uint64_t seed) {
    for (std::size_t i = 0; i < sources.size(); ++i) {
        std::seed_seq s{std::uint32_t(seed), std::uint32_t(seed >> 32), std::uint32_t(i), kWindStream};
        Blow b{sources[i], {}, std::mt19937_64(s)};
        // Started from the gust's own spread, so the first seconds blow like
        // any other, not calm.
        for (double& g : b.gust) g = b.source.gust * normal(b.rng);
        blows_.push_back(std::move(b));
    }
}

bool Wind::blows_on(int body) const { return force_on(body).has_value(); }

std::optional<std::array<double, 3>> Wind::force_on(int body) const {
    std::optional<std::array<double, 3>> total;
    for (const Blow& b : blows_) {
        if (b.source.body != body) continue;
        if (!total) total.emplace();
        for (int i = 0; i < 3; ++i) (*total)[std::size_t(i)] += b.source.mean[std::size_t(i)] + b.gust[std::size_t(i)];
    }
    return total;
}

void Wind::clear(mjData* d) const {
    for (const Blow& b : blows_) mju_zero(d->xfrc_applied + 6 * b.source.body, 6);
}

void Wind::push(mjData* d) const {
    for (const Blow& b : blows_) {
        mjtNum* force = d->xfrc_applied + 6 * b.source.body;
        for (std::size_t i = 0; i < 3; ++i) force[i] += b.source.mean[i] + b.gust[i];
    }
}

// The exact step of the process over dt: it keeps the gust's spread
// whatever the physics step, so a finer timestep does not calm the wind.
void Wind::advance(double dt) {
    for (Blow& b : blows_) {
        if (b.source.gust <= 0) continue;
        const double keep = std::exp(-dt / b.source.time_scale);
        const double fresh = b.source.gust * std::sqrt(1.0 - keep * keep);
        for (double& g : b.gust) g = keep * g + fresh * normal(b.rng);
    }
}

}  // namespace arena
