#include "numeric/switching.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "numeric/elementary.hpp"

namespace coswitch {
namespace {

// splitmix64: a small generator whose every bit is fixed by its definition.
struct Orders {
    std::uint64_t state = 0x9d2c5680a5b1e3f7ULL;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

// Sum over the replicates' courses of d(t) d(t+1), over the steps whose two
// values are there (a missing value is NaN).
double lagged_sum(const std::vector<double>& d, int ntime, int nrep) {
    double s = 0;
    for (int r = 0; r < nrep; ++r)
        for (int t = 0; t + 1 < ntime; ++t) {
            const double a = d[static_cast<std::size_t>(r * ntime + t)];
            const double b = d[static_cast<std::size_t>(r * ntime + t + 1)];
            if (a == a && b == b) s += a * b;
        }
    return s;
}

// Deviations of each replicate's course from the mean of its values, course
// by course, of the values times 2^-shift (NaN where a value is missing);
// their sum of squares.
double deviations(const std::vector<double>& values, int ntime, int nrep, int shift,
                  std::vector<double>& d) {
    double ss = 0;
    for (int r = 0; r < nrep; ++r) {
        double sum = 0;
        int present = 0;
        for (int t = 0; t < ntime; ++t) {
            const double v = values[static_cast<std::size_t>(t * nrep + r)];
            if (v != v) continue;
            sum += std::ldexp(v, -shift);
            ++present;
        }
        const double mean = sum / present;
        for (int t = 0; t < ntime; ++t) {
            const double v = std::ldexp(values[static_cast<std::size_t>(t * nrep + r)], -shift) - mean;
            d[static_cast<std::size_t>(r * ntime + t)] = v;
            if (v == v) ss += v * v;
        }
    }
    return ss;
}

}  // namespace

Persistence persistence(const std::vector<double>& values, int ntime, int nrep) {
    Persistence p;
    p.lag1 = p.p = std::numeric_limits<double>::quiet_NaN();
    if (ntime < 3 || nrep < 1) return p;
    std::vector<double> d(static_cast<std::size_t>(ntime) * static_cast<std::size_t>(nrep));
    double ss = deviations(values, ntime, nrep, 0, d);
    double observed = lagged_sum(d, ntime, nrep);
    if (!std::isfinite(ss) || !std::isfinite(observed)) {
        // Values near the end of the double range: the same test on the
        // values scaled by a power of two, which leaves ordinary data's bits
        // alone and changes neither the autocorrelation nor the orders.
        double top = 0;
        for (double v : values) top = std::fmax(top, std::fabs(v));
        if (!std::isfinite(top)) return p;
        ss = deviations(values, ntime, nrep, std::ilogb(top) + 1 - 500, d);
        observed = lagged_sum(d, ntime, nrep);
    }
    // No variation, or not even the scaled values give numbers: a course
    // that cannot be measured shows no persistence.
    if (!(ss > 0) || !std::isfinite(ss) || !std::isfinite(observed)) return p;
    p.lag1 = observed / ss;
    // Reordering a course keeps its sum of squares, so the lagged sum alone
    // decides. A course's values are reordered among the time points that
    // have one; its holes stay where they are.
    std::vector<std::vector<int>> at(static_cast<std::size_t>(nrep));
    for (int r = 0; r < nrep; ++r)
        for (int t = 0; t < ntime; ++t)
            if (d[static_cast<std::size_t>(r * ntime + t)] == d[static_cast<std::size_t>(r * ntime + t)])
                at[static_cast<std::size_t>(r)].push_back(t);
    Orders orders;
    int as_persistent = 0;
    for (int k = 0; k < kPersistenceOrders; ++k) {
        for (int r = 0; r < nrep; ++r) {
            double* course = d.data() + static_cast<std::size_t>(r * ntime);
            const std::vector<int>& pos = at[static_cast<std::size_t>(r)];
            for (int i = static_cast<int>(pos.size()) - 1; i > 0; --i)
                std::swap(course[pos[static_cast<std::size_t>(i)]],
                          course[pos[orders.next() % static_cast<std::uint64_t>(i + 1)]]);
        }
        if (lagged_sum(d, ntime, nrep) >= observed) ++as_persistent;
    }
    p.p = (1.0 + as_persistent) / (1.0 + kPersistenceOrders);
    return p;
}

bool persistent(const Persistence& p) { return p.p <= kPersistentP; }

double bic_gain(double loglik_mixture, double loglik_single, std::size_t n) {
    return 2.0 * (loglik_mixture - loglik_single) - 3.0 * portable_log(static_cast<double>(n));
}

bool switching(double gain, const Persistence& p) { return gain > 0 || persistent(p); }

TwoStateFit fit_two_states(const std::vector<double>& values) {
    TwoStateFit f;
    f.fit = fit_two_normals(values);
    f.bic_gain = bic_gain(f.fit.loglik, f.fit.loglik_single, values.size());
    return f;
}

TwoStateFit fit_two_states(const std::vector<double>& values, int ntime, int nrep) {
    std::vector<double> present;
    for (const double v : values)
        if (v == v) present.push_back(v);
    TwoStateFit f = fit_two_states(present);
    f.persistence = persistence(values, ntime, nrep);
    return f;
}

}  // namespace coswitch
