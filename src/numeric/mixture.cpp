#include "numeric/mixture.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "numeric/elementary.hpp"

namespace coswitch {
namespace {

struct Moments {
    double mean = 0, sd = 0;
};

Moments moments(const double* first, const double* last) {
    const double n = static_cast<double>(last - first);
    double sum = 0;
    for (const double* p = first; p != last; ++p) sum += *p;
    Moments m;
    m.mean = sum / n;
    double ss = 0;
    for (const double* p = first; p != last; ++p) ss += (*p - m.mean) * (*p - m.mean);
    m.sd = std::sqrt(ss / n);
    return m;
}

// Log of weight times the normal density, without the constant -log(2 pi)/2.
double log_term(double x, double weight, double mean, double sd) {
    const double z = (x - mean) / sd;
    return portable_log(weight) - portable_log(sd) - 0.5 * z * z;
}

}  // namespace

bool has_variation(const std::vector<double>& x) {
    for (double v : x)
        if (v != x.front()) return true;
    return false;
}

namespace {

MixtureFit fit_in_range(const std::vector<double>& x, const MixtureSettings& s) {
    const std::size_t n = x.size();
    const double dn = static_cast<double>(n);
    const Moments all = moments(x.data(), x.data() + n);
    const double floor = s.sd_floor_fraction * all.sd;

    std::vector<double> sorted(x);
    std::sort(sorted.begin(), sorted.end());
    const std::size_t half = n / 2;
    const Moments lower = moments(sorted.data(), sorted.data() + half);
    const Moments upper = moments(sorted.data() + half, sorted.data() + n);

    MixtureFit f;
    f.mean0 = lower.mean;
    f.sd0 = std::max(lower.sd, floor);
    f.mean1 = upper.mean;
    f.sd1 = std::max(upper.sd, floor);
    f.weight1 = static_cast<double>(n - half) / dn;

    const double half_log_2pi = 0.5 * portable_log(2.0 * std::numbers::pi);
    f.loglik_single = -dn * (half_log_2pi + portable_log(all.sd) + 0.5);
    std::vector<double> r0(n), r1(n);
    double previous = 0;
    for (;;) {
        // Expectation: each value's responsibilities, computed in logs so that
        // values far from both means do not underflow to 0/0.
        double loglik = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double a0 = log_term(x[i], 1.0 - f.weight1, f.mean0, f.sd0);
            const double a1 = log_term(x[i], f.weight1, f.mean1, f.sd1);
            const double top = std::max(a0, a1);
            const double e0 = portable_exp(a0 - top);
            const double e1 = portable_exp(a1 - top);
            const double sum = e0 + e1;
            r0[i] = e0 / sum;
            r1[i] = e1 / sum;
            loglik += top + portable_log(sum) - half_log_2pi;
        }
        f.loglik = loglik;
        if (f.iterations > 0 &&
            std::fabs(loglik - previous) <= s.tolerance * (1.0 + std::fabs(loglik))) {
            f.converged = true;
            break;
        }
        if (f.iterations >= s.max_iterations) break;
        previous = loglik;

        // Maximisation. A component that has lost all weight keeps its last
        // mean and deviation rather than dividing by zero.
        double n0 = 0, n1 = 0, sx0 = 0, sx1 = 0;
        for (std::size_t i = 0; i < n; ++i) {
            n0 += r0[i];
            n1 += r1[i];
            sx0 += r0[i] * x[i];
            sx1 += r1[i] * x[i];
        }
        if (n0 > 0) f.mean0 = sx0 / n0;
        if (n1 > 0) f.mean1 = sx1 / n1;
        double ss0 = 0, ss1 = 0;
        for (std::size_t i = 0; i < n; ++i) {
            ss0 += r0[i] * (x[i] - f.mean0) * (x[i] - f.mean0);
            ss1 += r1[i] * (x[i] - f.mean1) * (x[i] - f.mean1);
        }
        if (n0 > 0) f.sd0 = std::max(std::sqrt(ss0 / n0), floor);
        if (n1 > 0) f.sd1 = std::max(std::sqrt(ss1 / n1), floor);
        f.weight1 = n1 / (n0 + n1);
        ++f.iterations;
    }

    if (f.mean0 > f.mean1) {
        std::swap(f.mean0, f.mean1);
        std::swap(f.sd0, f.sd1);
        f.weight1 = 1.0 - f.weight1;
    }
    return f;
}

// Outside this range of magnitudes, sums of squares could overflow or lose
// every digit to underflow; inside it the values are used exactly as given.
constexpr int kLargeExponent = 256;

}  // namespace

MixtureFit fit_two_normals(const std::vector<double>& x, const MixtureSettings& s) {
    double largest = 0;
    for (double v : x) largest = std::max(largest, std::fabs(v));
    int e = 0;
    std::frexp(largest, &e);
    if (largest == 0 || (e > -kLargeExponent && e < kLargeExponent)) return fit_in_range(x, s);
    // Scaled by a power of two, which changes no digit of any value; the fit
    // of the scaled values, scaled back, is the fit of the values.
    std::vector<double> scaled(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) scaled[i] = std::ldexp(x[i], -e);
    MixtureFit f = fit_in_range(scaled, s);
    f.mean0 = std::ldexp(f.mean0, e);
    f.sd0 = std::ldexp(f.sd0, e);
    f.mean1 = std::ldexp(f.mean1, e);
    f.sd1 = std::ldexp(f.sd1, e);
    // Each density value is 2^-e times the scaled one's.
    const double shift = -static_cast<double>(x.size()) * e * std::numbers::ln2;
    f.loglik += shift;
    f.loglik_single += shift;
    return f;
}

bool two_states_supported(const MixtureFit& f, std::size_t n) {
    return 2.0 * (f.loglik - f.loglik_single) > 3.0 * portable_log(static_cast<double>(n));
}

double separation(const MixtureFit& f) {
    const double rms = std::sqrt((f.sd0 * f.sd0 + f.sd1 * f.sd1) / 2.0);
    if ((rms > 0 && std::isfinite(rms)) || (f.sd0 == 0 && f.sd1 == 0))
        return std::fabs(f.mean1 - f.mean0) / rms;
    // Squares out of range: the same ratio with both deviations scaled.
    const double big = std::max(f.sd0, f.sd1);
    const double a = f.sd0 / big, b = f.sd1 / big;
    return std::fabs(f.mean1 - f.mean0) / big / std::sqrt((a * a + b * b) / 2.0);
}

bool fit_is_finite(const MixtureFit& f) {
    for (double v : {f.mean0, f.sd0, f.mean1, f.sd1, f.weight1})
        if (!std::isfinite(v)) return false;
    return f.sd0 >= 0 && f.sd1 >= 0;
}

}  // namespace coswitch
