#include "dependence/chivecfun.hpp"

#include <cmath>
#include <limits>

#include "dependence/kronecker.hpp"

// The fit runs replicate-innermost so that each step is a plain loop over
// replicates the compiler can vectorise; every value is formed by the same
// operations in the same order as the loop-for-loop formulation, and every
// sum adds its terms in the same order, so the bits do not change.

namespace coswitch {
namespace {
constexpr double kGuard = 1e-300;
// The tolerance is the single-precision 0.001, widened.
constexpr double kTolerance = static_cast<double>(0.001f);
}  // namespace

void chivec_results(const Table4& C, double& stat, Table4& nullmat) {
    Table2 nat;
    Table2 nbt;
    nat(1, 1) = C(1, 1) + C(1, 2) + C(2, 1) + C(2, 2);
    nat(1, 2) = C(1, 3) + C(1, 4) + C(2, 3) + C(2, 4);
    nat(2, 1) = C(3, 1) + C(3, 2) + C(4, 1) + C(4, 2);
    nat(2, 2) = C(3, 3) + C(3, 4) + C(4, 3) + C(4, 4);
    nbt(1, 1) = C(1, 1) + C(1, 3) + C(3, 1) + C(3, 3);
    nbt(1, 2) = C(1, 2) + C(1, 4) + C(3, 2) + C(3, 4);
    nbt(2, 1) = C(2, 1) + C(2, 3) + C(4, 1) + C(4, 3);
    nbt(2, 2) = C(2, 2) + C(2, 4) + C(4, 2) + C(4, 4);
    const double m = nat(1, 1) + nat(2, 1) + nat(1, 2) + nat(2, 2);
    Table4 expnum;
    kronecker(nat, nbt, expnum);
    for (double& e : expnum.v) e = e / m;
    for (int n = 0; n < 16; ++n) nullmat.v[n] = expnum.v[n] / m;
    double s = 0.0;
    for (int j = 1; j <= 4; ++j)
        for (int k = 1; k <= 4; ++k) {
            const double d = C(j, k) - expnum(j, k);
            s += (d * d) / (expnum(j, k) + kGuard);
        }
    stat = s;
}

FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec) {
    ChivecScratch scratch;
    return chivecfun(nrep, ntime, qvec, stat, nullmat, pivec, scratch);
}

namespace {
// kReplicates > 0 fixes the replicate count at compile time, so that the
// loops over replicates disappear.
template <int kReplicates>
FitInfo fit(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat, Vec4& pivec,
            ChivecScratch& w) {
    FitInfo info;
    const std::size_t R = kReplicates > 0 ? static_cast<std::size_t>(kReplicates)
                                          : static_cast<std::size_t>(nrep);
    const int T = ntime;
    const std::size_t block = 4 * R;  // one time point of alpha or beta
    if (w.alpha.size() < block * T) w.alpha.resize(block * T);
    if (w.beta.size() < block * T) w.beta.resize(block * T);
    if (w.work.size() < 17 * R) w.work.resize(17 * R);
    double* const alpha = w.alpha.data();
    double* const beta = w.beta.data();
    // q(t, k): the weights of cell k at time t over the replicates (t, k from 0).
    auto q = [&](int t, int k) { return qvec + R * (static_cast<std::size_t>(t) + T * k); };
    auto A = [&](int t, int k) { return alpha + block * t + R * k; };
    auto B = [&](int t, int k) { return beta + block * t + R * k; };
    double* const nbuf = w.work.data();        // 16 blocks of R: N(j,k), then XI(j,k)
    double* const sbuf = w.work.data() + 16 * R;  // the sums S over the 16 N(j,k)

    double that[4][4];  // that[j][k], j the cell before the step
    double thatold[4][4];
    for (auto& row : that)
        for (double& v : row) v = 0.25;
    pivec.fill(0.25);
    const double dr = static_cast<double>(nrep);
    const double steps = static_cast<double>(T - 1);
    double commart[4][4];
    double gbar[4];

    for (;;) {
        ++info.passes;
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) thatold[j][k] = that[j][k];

        // Forward.
        for (int k = 0; k < 4; ++k) {
            const double pk = pivec[k];
            const double* qk = q(0, k);
            double* a = A(0, k);
            for (std::size_t i = 0; i < R; ++i) a[i] = pk * qk[i];
        }
        for (int t = 1; t < T; ++t) {
            const double* a1 = A(t - 1, 0);
            const double* a2 = A(t - 1, 1);
            const double* a3 = A(t - 1, 2);
            const double* a4 = A(t - 1, 3);
            for (int k = 0; k < 4; ++k) {
                const double t1 = thatold[0][k], t2 = thatold[1][k], t3 = thatold[2][k],
                             t4 = thatold[3][k];
                const double* qk = q(t, k);
                double* a = A(t, k);
                for (std::size_t i = 0; i < R; ++i) {
                    double s = 0.0;
                    s += a1[i] * t1;
                    s += a2[i] * t2;
                    s += a3[i] * t3;
                    s += a4[i] * t4;
                    a[i] = s * qk[i];
                }
            }
        }

        // Backward; the products beta * q of the later step go through nbuf.
        for (int k = 0; k < 4; ++k) {
            double* b = B(T - 1, k);
            for (std::size_t i = 0; i < R; ++i) b[i] = 1.0;
        }
        for (int t = T - 2; t >= 0; --t) {
            for (int k = 0; k < 4; ++k) {
                const double* bk = B(t + 1, k);
                const double* qk = q(t + 1, k);
                double* tk = nbuf + R * k;
                for (std::size_t i = 0; i < R; ++i) tk[i] = bk[i] * qk[i];
            }
            for (int j = 0; j < 4; ++j) {
                const double t1 = thatold[j][0], t2 = thatold[j][1], t3 = thatold[j][2],
                             t4 = thatold[j][3];
                const double* p1 = nbuf;
                const double* p2 = nbuf + R;
                const double* p3 = nbuf + 2 * R;
                const double* p4 = nbuf + 3 * R;
                double* b = B(t, j);
                for (std::size_t i = 0; i < R; ++i) {
                    double s = 0.0;
                    s += t1 * p1[i];
                    s += t2 * p2[i];
                    s += t3 * p3[i];
                    s += t4 * p4[i];
                    b[i] = s;
                }
            }
        }

        // Transition posteriors, summed per step for the update and over all
        // steps for the expected counts; state posteriors only as their mean.
        double outer[4][4];
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                outer[j][k] = 0.0;
                commart[j][k] = 0.0;
            }
        // The state posteriors of the last time point are used nowhere.
        for (int t = 0; t < T - 1; ++t) {
            // State posteriors at t, summed over replicates in order.
            double* g = nbuf;  // 4 blocks of R
            {
                const double* a1 = A(t, 0);
                const double* a2 = A(t, 1);
                const double* a3 = A(t, 2);
                const double* a4 = A(t, 3);
                const double* b1 = B(t, 0);
                const double* b2 = B(t, 1);
                const double* b3 = B(t, 2);
                const double* b4 = B(t, 3);
                for (std::size_t i = 0; i < R; ++i) {
                    const double ab1 = a1[i] * b1[i];
                    const double ab2 = a2[i] * b2[i];
                    const double ab3 = a3[i] * b3[i];
                    const double ab4 = a4[i] * b4[i];
                    double s = 0.0;
                    s += ab1;
                    s += ab2;
                    s += ab3;
                    s += ab4;
                    const double d = s + kGuard;
                    g[i] = ab1 / d;
                    g[R + i] = ab2 / d;
                    g[2 * R + i] = ab3 / d;
                    g[3 * R + i] = ab4 / d;
                }
            }
            for (int k = 0; k < 4; ++k) {
                double s = 0.0;
                const double* gk = g + R * k;
                for (std::size_t i = 0; i < R; ++i) s += gk[i];
                gbar[k] = s / dr;
            }
            if (t == 0)
                for (int k = 0; k < 4; ++k) pivec[k] = gbar[k];

            for (std::size_t i = 0; i < R; ++i) sbuf[i] = 0.0;
            for (int j = 0; j < 4; ++j) {
                const double* aj = A(t, j);
                for (int k = 0; k < 4; ++k) {
                    const double tjk = thatold[j][k];
                    const double* qk = q(t + 1, k);
                    const double* bk = B(t + 1, k);
                    double* n = nbuf + R * (4 * j + k);
                    for (std::size_t i = 0; i < R; ++i) {
                        const double v = tjk * aj[i] * qk[i] * bk[i];
                        n[i] = v;
                        sbuf[i] += v;
                    }
                }
            }
            for (int jk = 0; jk < 16; ++jk) {
                double* n = nbuf + R * jk;
                for (std::size_t i = 0; i < R; ++i) n[i] = n[i] / (sbuf[i] + kGuard);
            }
            for (int j = 0; j < 4; ++j) {
                const double denom = dr * gbar[j] + kGuard;
                for (int k = 0; k < 4; ++k) {
                    const double* x = nbuf + R * (4 * j + k);
                    double inner = 0.0;
                    double running = commart[j][k];
                    for (std::size_t i = 0; i < R; ++i) {
                        inner += x[i];
                        running += x[i];
                    }
                    commart[j][k] = running;
                    outer[j][k] += inner / denom;
                }
            }
        }
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) that[j][k] = outer[j][k] / steps;

        double d = 0.0;
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 4; ++j) d += std::fabs(that[j][k] - thatold[j][k]);
        d = 0.0625 * d;
        if (!(d >= kTolerance)) break;
        if (info.passes >= kMaxPasses) {
            info.capped = true;
            break;
        }
    }

    Table4 C;
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) C(j + 1, k + 1) = commart[j][k];
    chivec_results(C, stat, nullmat);
    return info;
}
}  // namespace

FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec, ChivecScratch& w) {
    if (nrep < 1 || ntime < 2) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        stat = nan;
        nullmat.v.fill(nan);
        pivec.fill(nan);
        return FitInfo{};
    }
    // One replicate per time point is common (arrays without replicates).
    if (nrep == 1) return fit<1>(nrep, ntime, qvec, stat, nullmat, pivec, w);
    return fit<0>(nrep, ntime, qvec, stat, nullmat, pivec, w);
}

}  // namespace coswitch
