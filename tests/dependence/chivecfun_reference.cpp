// The first, straightforward statistic, kept to check the fast one bit for bit.
#include "dependence/chivecfun_reference.hpp"

#include <cmath>
#include <limits>

#include "dependence/kronecker.hpp"

namespace coswitch {
namespace {
constexpr double kGuard = 1e-300;
// The tolerance is the single-precision 0.001, widened.
constexpr double kTolerance = static_cast<double>(0.001f);
}  // namespace

FitInfo chivecfun_reference(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec) {
    FitInfo info;
    if (nrep < 1 || ntime < 2) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        stat = nan;
        nullmat.v.fill(nan);
        pivec.fill(nan);
        return info;
    }
    const int R = nrep;
    const int T = ntime;
    auto Q = [&](int i, int t, int k) { return qvec[(i - 1) + R * ((t - 1) + T * (k - 1))]; };
    Array<double, 3> alpha(R, T, 4);
    Array<double, 3> beta(R, T, 4);
    Array<double, 3> gamma(R, T, 4);
    Array<double, 2> gbar(T, 4);
    Array<double, 4> xi(R, T - 1, 4, 4);
    Table4 that;
    Table4 thatold;
    that.v.fill(0.25);
    pivec.fill(0.25);
    double temp[5];

    for (;;) {
        ++info.passes;
        thatold = that;
        for (int i = 1; i <= R; ++i) {
            for (int k = 1; k <= 4; ++k) alpha(i, 1, k) = pivec[k - 1] * Q(i, 1, k);
            for (int t = 2; t <= T; ++t) {
                for (int k = 1; k <= 4; ++k) {
                    double s = 0.0;
                    for (int j = 1; j <= 4; ++j) s += alpha(i, t - 1, j) * thatold(j, k);
                    temp[k] = s;
                }
                for (int k = 1; k <= 4; ++k) alpha(i, t, k) = temp[k] * Q(i, t, k);
            }
            for (int k = 1; k <= 4; ++k) beta(i, T, k) = 1.0;
            for (int t = T - 1; t >= 1; --t) {
                for (int k = 1; k <= 4; ++k) temp[k] = beta(i, t + 1, k) * Q(i, t + 1, k);
                for (int j = 1; j <= 4; ++j) {
                    double s = 0.0;
                    for (int k = 1; k <= 4; ++k) s += thatold(j, k) * temp[k];
                    beta(i, t, j) = s;
                }
            }
            for (int k = 1; k <= 4; ++k)
                for (int t = 1; t <= T; ++t) {
                    double s = 0.0;
                    for (int j = 1; j <= 4; ++j) s += alpha(i, t, j) * beta(i, t, j);
                    gamma(i, t, k) = alpha(i, t, k) * beta(i, t, k) / (s + kGuard);
                }
            for (int t = 1; t <= T - 1; ++t) {
                double n[4][4];
                double s = 0.0;
                for (int j = 1; j <= 4; ++j)
                    for (int k = 1; k <= 4; ++k) {
                        n[j - 1][k - 1] =
                            thatold(j, k) * alpha(i, t, j) * Q(i, t + 1, k) * beta(i, t + 1, k);
                        s += n[j - 1][k - 1];
                    }
                for (int j = 1; j <= 4; ++j)
                    for (int k = 1; k <= 4; ++k) xi(i, t, j, k) = n[j - 1][k - 1] / (s + kGuard);
            }
        }
        const double dr = static_cast<double>(R);
        for (int t = 1; t <= T; ++t)
            for (int k = 1; k <= 4; ++k) {
                double s = 0.0;
                for (int i = 1; i <= R; ++i) s += gamma(i, t, k);
                gbar(t, k) = s / dr;
            }
        const double steps = static_cast<double>(T - 1);
        for (int j = 1; j <= 4; ++j)
            for (int k = 1; k <= 4; ++k) {
                double outer = 0.0;
                for (int t = 1; t <= T - 1; ++t) {
                    double inner = 0.0;
                    for (int i = 1; i <= R; ++i) inner += xi(i, t, j, k);
                    outer += inner / (dr * gbar(t, j) + kGuard);
                }
                that(j, k) = outer / steps;
            }
        for (int k = 1; k <= 4; ++k) pivec[k - 1] = gbar(1, k);
        double d = 0.0;
        for (int k = 1; k <= 4; ++k)
            for (int j = 1; j <= 4; ++j) d += std::fabs(that(j, k) - thatold(j, k));
        d = 0.0625 * d;
        if (!(d >= kTolerance)) break;
        if (info.passes >= kMaxPasses) {
            info.capped = true;
            break;
        }
    }

    Table4 commart;
    for (int j = 1; j <= 4; ++j)
        for (int k = 1; k <= 4; ++k) {
            double s = 0.0;
            for (int t = 1; t <= T - 1; ++t)
                for (int i = 1; i <= R; ++i) s += xi(i, t, j, k);
            commart(j, k) = s;
        }
    chivec_results(commart, stat, nullmat);
    return info;
}

}  // namespace coswitch
