#include "arena/sweep/values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace arena::sweep {
namespace {

double rounded(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.12g", v);
    return std::strtod(text, nullptr);
}

// splitmix64: small, well known, and defined bit for bit, unlike the
// standard library's distributions, whose results differ between libraries.
struct SplitMix {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }  // [0, 1)
};

}  // namespace

std::vector<nlohmann::json> range_by_step(double from, double to, double step) {
    std::vector<nlohmann::json> out;
    const double n = std::floor((to - from) / step + 1e-6);
    for (double i = 0; i <= n; ++i) out.push_back(rounded(from + i * step));
    return out;
}

std::vector<nlohmann::json> range_by_count(double from, double to, int count) {
    std::vector<nlohmann::json> out;
    if (count == 1) return {rounded(from)};
    for (int i = 0; i < count; ++i) out.push_back(rounded(from + (to - from) * i / (count - 1)));
    return out;
}

std::vector<nlohmann::json> random_samples(const nlohmann::json& min, const nlohmann::json& max, int count,
                                           std::uint64_t seed) {
    SplitMix rng{seed};
    std::vector<nlohmann::json> out;
    for (int i = 0; i < count; ++i) {
        if (min.is_array()) {
            nlohmann::json sample = nlohmann::json::array();
            for (std::size_t k = 0; k < min.size(); ++k) {
                const double lo = min[k].get<double>(), hi = max[k].get<double>();
                sample.push_back(rounded(lo + (hi - lo) * rng.unit()));
            }
            out.push_back(sample);
        } else {
            const double lo = min.get<double>(), hi = max.get<double>();
            out.push_back(rounded(lo + (hi - lo) * rng.unit()));
        }
    }
    return out;
}

}  // namespace arena::sweep
