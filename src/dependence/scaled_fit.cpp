#include "dependence/scaled_fit.hpp"

#include <cmath>
#include <limits>

namespace coswitch {
namespace {
constexpr double kGuard = 1e-300;
constexpr double kTolerance = static_cast<double>(0.001f);

// Scales v[0..3] to sum 1; false (v untouched) when the sum is not positive.
bool to_unit_sum(double* v) {
    const double s = ((v[0] + v[1]) + v[2]) + v[3];
    if (!(s > 0)) return false;
    for (int k = 0; k < 4; ++k) v[k] = v[k] / s;
    return true;
}

}  // namespace

FitInfo chivecfun_scaled(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                         Vec4& pivec, ChivecScratch& scratch, Array<double, 3>* gamma) {
    if (gamma != nullptr) gamma->resize(nrep, ntime, 4);
    if (nrep < 1 || ntime < 2) {
        if (gamma != nullptr)
            for (std::size_t n = 0; n < gamma->size(); ++n)
                gamma->data()[n] = std::numeric_limits<double>::quiet_NaN();
        return chivecfun(nrep, ntime, qvec, stat, nullmat, pivec, scratch);
    }
    const std::size_t R = static_cast<std::size_t>(nrep);
    const std::size_t T = static_cast<std::size_t>(ntime);
    const std::size_t cells = R * T;
    // Per replicate and time point, cell fastest: the weights over their
    // largest (a common factor of a time point cancels in every posterior),
    // the forward and backward values, each time point's scaled to sum 1.
    std::vector<double>& buf = scratch.scaled;
    buf.assign(3 * 4 * cells + R, 0.0);
    double* const q = buf.data();
    double* const alpha = q + 4 * cells;
    double* const beta = alpha + 4 * cells;
    double* const lost = beta + 4 * cells;  // 1 for a replicate with no possible course
    auto at = [R](std::size_t i, std::size_t t) { return 4 * (t * R + i); };
    for (std::size_t i = 0; i < R; ++i)
        for (std::size_t t = 0; t < T; ++t) {
            double top = 0;
            for (std::size_t k = 0; k < 4; ++k) top = std::fmax(top, qvec[i + R * (t + T * k)]);
            for (std::size_t k = 0; k < 4; ++k)
                q[at(i, t) + k] = top > 0 ? qvec[i + R * (t + T * k)] / top : 0.0;
        }

    Table4 that, old, commart;
    for (double& v : that.v) v = 0.25;
    pivec.fill(0.25);
    std::vector<double> gsum(4 * T), xsum(16 * T);  // per time point: sums over replicates
    const double dr = static_cast<double>(nrep);
    FitInfo info;
    info.scaled = true;
    for (;;) {
        ++info.passes;
        old = that;
        // Forward and backward of every replicate first, so that the
        // posteriors' sums below run time point by time point.
        for (std::size_t i = 0; i < R; ++i) {
            lost[i] = 0;
            double* a = alpha + at(i, 0);
            for (int k = 0; k < 4; ++k) a[k] = pivec[static_cast<std::size_t>(k)] * q[at(i, 0) + k];
            bool possible = to_unit_sum(a);
            for (std::size_t t = 1; t < T && possible; ++t) {
                const double* prev = alpha + at(i, t - 1);
                double* cur = alpha + at(i, t);
                for (int k = 1; k <= 4; ++k) {
                    double s = 0.0;
                    for (int j = 1; j <= 4; ++j) s += prev[j - 1] * old(j, k);
                    cur[k - 1] = s * q[at(i, t) + k - 1];
                }
                possible = to_unit_sum(cur);
            }
            double* b = beta + at(i, T - 1);
            for (int k = 0; k < 4; ++k) b[k] = 1.0;
            for (std::size_t t = T - 1; t-- > 0 && possible;) {
                const double* next = beta + at(i, t + 1);
                const double* qn = q + at(i, t + 1);
                double* cur = beta + at(i, t);
                double temp[4];
                for (int k = 0; k < 4; ++k) temp[k] = next[k] * qn[k];
                for (int j = 1; j <= 4; ++j) {
                    double s = 0.0;
                    for (int k = 1; k <= 4; ++k) s += old(j, k) * temp[k - 1];
                    cur[j - 1] = s;
                }
                possible = to_unit_sum(cur);
            }
            if (!possible) lost[i] = 1;
        }
        // Posteriors: a lost replicate's are 0, as the plain fit's guard makes them.
        for (std::size_t t = 0; t < T; ++t)
            for (std::size_t i = 0; i < R; ++i) {
                double g[4] = {0, 0, 0, 0};
                double x[16] = {};
                if (lost[i] == 0) {
                    const double* a = alpha + at(i, t);
                    const double* b = beta + at(i, t);
                    double s = 0.0;
                    for (int j = 0; j < 4; ++j) s += a[j] * b[j];
                    for (int k = 0; k < 4; ++k) g[k] = a[k] * b[k] / (s + kGuard);
                    if (t + 1 < T) {
                        const double* qn = q + at(i, t + 1);
                        const double* bn = beta + at(i, t + 1);
                        double sn = 0.0;
                        for (int j = 1; j <= 4; ++j)
                            for (int k = 1; k <= 4; ++k) {
                                x[4 * (j - 1) + k - 1] = old(j, k) * a[j - 1] * qn[k - 1] * bn[k - 1];
                                sn += x[4 * (j - 1) + k - 1];
                            }
                        for (double& v : x) v = v / (sn + kGuard);
                    }
                }
                for (int k = 0; k < 4; ++k)
                    gsum[4 * t + k] = (i == 0 ? 0.0 : gsum[4 * t + k]) + g[k];
                if (gamma != nullptr)
                    for (int k = 0; k < 4; ++k)
                        (*gamma)(static_cast<int>(i) + 1, static_cast<int>(t) + 1, k + 1) = g[k];
                if (t + 1 < T) {
                    for (int n = 0; n < 16; ++n)
                        xsum[16 * t + n] = (i == 0 ? 0.0 : xsum[16 * t + n]) + x[n];
                    if (t == 0 && i == 0) commart.v.fill(0.0);
                    for (int j = 1; j <= 4; ++j)
                        for (int k = 1; k <= 4; ++k) commart(j, k) += x[4 * (j - 1) + k - 1];
                }
            }
        // Maximisation, as the plain fit's: the mean over time steps of each
        // step's estimate.
        for (int j = 1; j <= 4; ++j)
            for (int k = 1; k <= 4; ++k) {
                double s = 0.0;
                for (std::size_t t = 0; t + 1 < T; ++t) {
                    const double gbar = gsum[4 * t + static_cast<std::size_t>(j - 1)] / dr;
                    s += xsum[16 * t + 4 * static_cast<std::size_t>(j - 1) + static_cast<std::size_t>(k - 1)] /
                         (dr * gbar + kGuard);
                }
                that(j, k) = s / static_cast<double>(ntime - 1);
            }
        for (std::size_t k = 0; k < 4; ++k) pivec[k] = gsum[k] / dr;
        double d = 0.0;
        for (int k = 1; k <= 4; ++k)
            for (int j = 1; j <= 4; ++j) d += std::fabs(that(j, k) - old(j, k));
        d = 0.0625 * d;
        if (!(d >= kTolerance)) break;
        if (info.passes >= kMaxPasses) {
            info.capped = true;
            break;
        }
    }
    info.least_mass = dr;
    for (std::size_t t = 0; t + 1 < T; ++t) {
        const double m = ((gsum[4 * t] + gsum[4 * t + 1]) + gsum[4 * t + 2]) + gsum[4 * t + 3];
        if (!(m >= info.least_mass)) info.least_mass = m;
    }
    chivec_results(commart, stat, nullmat);
    info.concordance = concordance(commart);
    return info;
}

bool plain_fit_may_have_underflowed(int nrep, const FitInfo& info) {
    // Posteriors that sum to the replicate count up to rounding: nothing lost.
    return !(info.least_mass >= static_cast<double>(nrep) * (1.0 - 1e-9));
}

bool plain_fit_underflowed(int nrep, int ntime, const double* qvec, const FitInfo& info) {
    if (nrep < 1 || ntime < 2) return false;
    const std::size_t R = static_cast<std::size_t>(nrep);
    const std::size_t T = static_cast<std::size_t>(ntime);
    if (!plain_fit_may_have_underflowed(nrep, info)) return false;
    std::size_t possible = 0;
    for (std::size_t i = 0; i < R; ++i) {
        bool course = true;
        for (std::size_t t = 0; t < T; ++t) {
            bool any = false;
            for (std::size_t k = 0; k < 4; ++k) {
                const double w = qvec[i + R * (t + T * k)];
                if (!std::isfinite(w)) return false;  // undefined densities: nothing to rescue
                any = any || w > 0;
            }
            course = course && any;
        }
        if (course) ++possible;
    }
    return !(info.least_mass >= static_cast<double>(possible) * (1.0 - 1e-9));
}

}  // namespace coswitch
