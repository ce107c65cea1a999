// Wind on named bodies: a steady mean force plus a gust on each axis that
// wanders as an Ornstein-Uhlenbeck process (its standard deviation the
// gust's strength, its correlation time the time scale), so that gusts build
// and fade as a real breeze does rather than flickering step by step.
//
// Each source draws from a random stream of its own, seeded from the run's
// seed and its place among the sources: the same seed gives the same wind,
// and adding wind to a world leaves its sensor noise as it was.
#ifndef ARENA_PHYSICS_WIND_H
#define ARENA_PHYSICS_WIND_H

#include <mujoco/mujoco.h>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace arena {

struct WindSource {
    int body = -1;
    std::array<double, 3> mean{};  // N, world axes
    double gust = 0.0;             // N, standard deviation on each axis
    double time_scale = 1.0;       // s, correlation time of the gust
};

class Wind {
public:
    Wind() = default;
    Wind(const std::vector<WindSource>& sources, std::uint64_t seed);

    bool empty() const { return blows_.empty(); }
    bool blows_on(int body) const;
    // The force on the body now (world axes), or nothing if no wind blows on it.
    std::optional<std::array<double, 3>> force_on(int body) const;
    // Clears the forces applied to its bodies, before they are made again.
    void clear(mjData* d) const;
    // Adds each body's force to the forces applied to it in this step.
    void push(mjData* d) const;
    // Moves every gust on by one physics step of dt seconds.
    void advance(double dt);

private:
    struct Blow {
        WindSource source;
        std::array<double, 3> gust{};  // the random part now
        std::mt19937_64 rng;
    };
    std::vector<Blow> blows_;
};

}  // namespace arena

#endif
