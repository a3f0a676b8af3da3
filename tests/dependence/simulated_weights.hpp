#pragma once
// Cell weights for tests of the dependence fit: two sticky two-state chains
// seen through well separated normal densities.
#include <cmath>
#include <random>
#include <vector>

#include "numeric/density.hpp"

namespace coswitch::testing {

inline std::size_t at(int nrep, int ntime, int r, int t, int k) {
    return static_cast<std::size_t>((r - 1) + nrep * ((t - 1) + ntime * (k - 1)));
}

// Coupling 0: independent; 1: the second gene's states copied from the
// first's; 2: mirrored.
inline std::vector<double> simulated(int nrep, int ntime, unsigned seed, int coupling) {
    std::mt19937 g(seed);  // a fixed sequence: the same data on every platform
    auto u = [&] { return (g() + 0.5) / 4294967296.0; };
    auto normal = [&] {
        const double r = std::sqrt(-2 * std::log(u()));
        return r * std::cos(6.283185307179586 * u());
    };
    const double mean[2] = {2.0, 5.0}, sd[2] = {0.7, 0.8};
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (int r = 1; r <= nrep; ++r)
        for (int t = 1, a = u() < 0.5, b = u() < 0.5; t <= ntime; ++t) {
            if (t > 1 && u() >= 0.85) a = 1 - a;
            if (t > 1 && u() >= 0.85) b = 1 - b;
            const int sb = coupling == 0 ? b : coupling == 1 ? a : 1 - a;
            const double ya = mean[a] + sd[a] * normal(), yb = mean[sb] + sd[sb] * normal();
            for (int k = 0; k < 4; ++k)
                q[at(nrep, ntime, r, t, k + 1)] = coswitch::dnorm(ya, mean[k / 2], sd[k / 2]) *
                                                  coswitch::dnorm(yb, mean[k % 2], sd[k % 2]);
        }
    return q;
}

}  // namespace coswitch::testing
