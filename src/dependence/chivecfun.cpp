#include "dependence/chivecfun.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "dependence/kronecker.hpp"

// The fit holds the four cells of one replicate and time point in one vector,
// so forward and backward are 4-wide operations whatever the replicate count.
// Every lane performs the IEEE operations of the loop-for-loop formulation in
// its order, and every sum adds its terms in its order, so the bits do not
// change; the vector width only decides how many lanes one instruction does.

namespace coswitch {
namespace {
constexpr double kGuard = 1e-300;
// The tolerance is the single-precision 0.001, widened.
constexpr double kTolerance = static_cast<double>(0.001f);

// The helpers below are always inlined, so no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

// Four doubles, one per cell; built as one AVX register or two SSE2 ones,
// depending on the function it is inlined into.
typedef double v4d __attribute__((vector_size(32), may_alias));

#define COSWITCH_INLINE inline __attribute__((always_inline))

COSWITCH_INLINE v4d splat(double x) { return v4d{x, x, x, x}; }
COSWITCH_INLINE v4d load(const double* p) { return *reinterpret_cast<const v4d*>(p); }
COSWITCH_INLINE void store(double* p, v4d v) { *reinterpret_cast<v4d*>(p) = v; }

// s + v[0] + v[1] + v[2] + v[3], added in that order.
COSWITCH_INLINE double sum_on(double s, v4d v) {
    s += v[0];
    s += v[1];
    s += v[2];
    s += v[3];
    return s;
}

// 32-byte aligned view into a buffer of doubles of at least n + 3 entries.
double* aligned(std::vector<double>& buf, std::size_t n) {
    if (buf.size() < n + 3) buf.resize(n + 3);
    const auto a = reinterpret_cast<std::uintptr_t>(buf.data());
    return buf.data() + ((32 - a % 32) % 32) / sizeof(double);
}


struct Buffers {
    double* qt;     // QVEC cell-fastest: (t * R + i) * 4 + k
    double* alpha;  // forward values, same layout
    double* beta;   // backward values, same layout
    double* xi;     // transition posteriors of the latest pass: ((t * R + i) * 4 + j) * 4 + k
    double* steps;  // per time step: the 16 quotient sums over replicates, then 4 state sums
};

// The products of one replicate and time step before their divisions.
struct Numerators {
    v4d n[4];  // N(j, k): row j, lane k
    v4d ab;    // alpha * beta of the step's first time point
};

// The products a(j) * THATOLD(j, k) serve both the numerators and the next
// forward step, which is formed here too when alpha_next is given.
COSWITCH_INLINE void numerators(const v4d old[4], const double* alpha, const double* beta,
                                const double* beta_next, const double* q_next,
                                double* alpha_next, Numerators& u) {
    const v4d a = load(alpha);
    const v4d qn = load(q_next);
    const v4d bn = load(beta_next);
    u.ab = a * load(beta);
    v4d p[4];
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) p[j] = splat(alpha[j]) * old[j];
    if (alpha_next != nullptr) {
        v4d s = splat(0.0);
        s += p[0];
        s += p[1];
        s += p[2];
        s += p[3];
        store(alpha_next, s * qn);
    }
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) u.n[j] = p[j] * qn * bn;
}

// Divides one step's numerators by their sums, stores the quotients and adds
// them to the step's sums over replicates (sums: 16 transition, 4 state),
// which the step's first replicate starts from 0.0.
COSWITCH_INLINE void quotients(const Numerators& u, double sn, double sg, double* xi,
                               double* sums, bool first) {
    const v4d d = splat(sn + kGuard);
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        const v4d x = u.n[j] / d;
        store(xi + 4 * j, x);
        store(sums + 4 * j, (first ? splat(0.0) : load(sums + 4 * j)) + x);
    }
    store(sums + 16, (first ? splat(0.0) : load(sums + 16)) + u.ab / splat(sg + kGuard));
}

// One step of the backward recursion from bn. The lanes are broadcast from
// memory, which costs no shuffle.
COSWITCH_INLINE v4d backward_step(const v4d col[4], const double* bn, const double* qn) {
    v4d s = splat(0.0);
    s += col[0] * splat(bn[0] * qn[0]);
    s += col[1] * splat(bn[1] * qn[1]);
    s += col[2] * splat(bn[2] * qn[2]);
    s += col[3] * splat(bn[3] * qn[3]);
    return s;
}

// kReplicates > 0 fixes the replicate count at compile time, so that the
// loops over replicates disappear.
template <int kReplicates>
COSWITCH_INLINE FitInfo fit_body(int nrep, int ntime, Table4& commart_out, Vec4& pivec,
                                 const Buffers& b) {
    FitInfo info;
    const std::size_t R = kReplicates > 0 ? static_cast<std::size_t>(kReplicates)
                                          : static_cast<std::size_t>(nrep);
    const std::size_t T = static_cast<std::size_t>(ntime);
    // Local copies: the vector stores below may alias anything.
    double* const qt = b.qt;
    double* const alpha = b.alpha;
    double* const beta = b.beta;
    double* const xi = b.xi;
    double* const stepsum = b.steps;
    for (std::size_t i = 0; i < R; ++i) store(beta + ((T - 1) * R + i) * 4, splat(1.0));

    v4d that[4];  // that[j][k]: row j (the cell before the step), lane k
    for (v4d& row : that) row = splat(0.25);
    v4d pi = splat(0.25);
    const double dr = static_cast<double>(nrep);
    const double steps = static_cast<double>(ntime - 1);
    const std::size_t units = (T - 1) * R;  // replicate x time step, time slowest

    for (;;) {
        ++info.passes;
        const v4d old[4] = {that[0], that[1], that[2], that[3]};
        double o[16];  // old row by row, to read its columns
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) o[4 * j + k] = old[j][k];
        v4d col[4];  // col[k][j] = old[j][k]
        for (int k = 0; k < 4; ++k) col[k] = v4d{o[k], o[4 + k], o[8 + k], o[12 + k]};

        // Backward alone; forward goes along with the posteriors.
        for (std::size_t t = T - 1; t-- > 0;)
            for (std::size_t i = 0; i < R; ++i)
                store(beta + (t * R + i) * 4,
                      backward_step(col, beta + ((t + 1) * R + i) * 4,
                                    qt + ((t + 1) * R + i) * 4));
        for (std::size_t i = 0; i < R; ++i) store(alpha + 4 * i, pi * load(qt + 4 * i));

        // Posteriors, two units at a time so that their serial sums overlap;
        // each step's sums over replicates keep the replicate order. The
        // forward values of the last time point are used nowhere.
        std::size_t u = 0;
        double* sums_u = stepsum;  // the step of unit u
        const std::ptrdiff_t r = static_cast<std::ptrdiff_t>(R);
        std::ptrdiff_t left = r;  // units of that step from u on
        for (; u + 1 < units; u += 2) {
            Numerators A, B;
            const std::size_t v = u + 1;
            double* const sums_v = left == 1 ? sums_u + 20 : sums_u;
            numerators(old, alpha + 4 * u, beta + 4 * u, beta + 4 * (u + R), qt + 4 * (u + R),
                       u + R < units ? alpha + 4 * (u + R) : nullptr, A);
            numerators(old, alpha + 4 * v, beta + 4 * v, beta + 4 * (v + R), qt + 4 * (v + R),
                       v + R < units ? alpha + 4 * (v + R) : nullptr, B);
            double sa = 0.0, sb = 0.0;
#pragma GCC unroll 4
            for (int j = 0; j < 4; ++j)
#pragma GCC unroll 4
                for (int k = 0; k < 4; ++k) {
                    sa += A.n[j][k];
                    sb += B.n[j][k];
                }
            const double ga = sum_on(0.0, A.ab), gb = sum_on(0.0, B.ab);
            quotients(A, sa, ga, xi + 16 * u, sums_u, left == r);
            quotients(B, sb, gb, xi + 16 * v, sums_v, left == 1);
            for (left -= 2; left <= 0; left += r) sums_u += 20;
        }
        if (u < units) {
            Numerators A;
            numerators(old, alpha + 4 * u, beta + 4 * u, beta + 4 * (u + R), qt + 4 * (u + R),
                       nullptr, A);
            double sa = 0.0;
#pragma GCC unroll 4
            for (int j = 0; j < 4; ++j) sa = sum_on(sa, A.n[j]);
            quotients(A, sa, sum_on(0.0, A.ab), xi + 16 * u, sums_u, left == r);
        }

        // Maximisation: the mean over time steps of each step's estimate.
        v4d outer[4] = {splat(0.0), splat(0.0), splat(0.0), splat(0.0)};
        for (std::size_t t = 0; t + 1 < T; ++t) {
            const double* st = stepsum + 20 * t;
            const v4d gbar = load(st + 16) / splat(dr);
            if (t == 0) pi = gbar;
            const v4d denom = splat(dr) * gbar + splat(kGuard);
#pragma GCC unroll 4
            for (int j = 0; j < 4; ++j) outer[j] += load(st + 4 * j) / splat(denom[j]);
        }
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) that[j] = outer[j] / splat(steps);

        double d = 0.0;
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k)
#pragma GCC unroll 4
            for (int j = 0; j < 4; ++j) d += std::fabs(that[j][k] - old[j][k]);
        d = 0.0625 * d;
        if (!(d >= kTolerance)) break;
        if (info.passes >= kMaxPasses) {
            info.capped = true;
            break;
        }
    }

    // How much of the replicates' posteriors the last pass kept.
    info.least_mass = dr;
    for (std::size_t t = 0; t + 1 < T; ++t) {
        const double m = sum_on(0.0, load(stepsum + 20 * t + 16));
        if (!(m >= info.least_mass)) info.least_mass = m;
        if (std::isnan(m)) break;
    }

    // Expected counts of the last pass, summed over steps, then replicates.
    v4d c[4] = {splat(0.0), splat(0.0), splat(0.0), splat(0.0)};
    for (std::size_t u = 0; u < units; ++u)
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) c[j] += load(xi + 16 * u + 4 * j);
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) commart_out(j + 1, k + 1) = c[j][k];
    for (int k = 0; k < 4; ++k) pivec[k] = pi[k];
    return info;
}

using FitFn = FitInfo (*)(int, int, Table4&, Vec4&, const Buffers&);

template <int kReplicates>
__attribute__((target("avx2"))) FitInfo fit_avx2(int nrep, int ntime, Table4& commart,
                                                 Vec4& pivec, const Buffers& b) {
    return fit_body<kReplicates>(nrep, ntime, commart, pivec, b);
}

template <int kReplicates>
FitInfo fit_sse2(int nrep, int ntime, Table4& commart, Vec4& pivec, const Buffers& b) {
    return fit_body<kReplicates>(nrep, ntime, commart, pivec, b);
}

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

double concordance(const Table4& C) {
    double time[5] = {0, 0, 0, 0, 0};
    for (int j = 1; j <= 4; ++j)
        for (int k = 1; k <= 4; ++k) time[j] += C(j, k);
    return time[1] * time[4] - time[2] * time[3];
}

FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec) {
    ChivecScratch scratch;
    return chivecfun(nrep, ntime, qvec, stat, nullmat, pivec, scratch);
}

double* chivec_cells(ChivecScratch& w, int nrep, int ntime) {
    const std::size_t R = static_cast<std::size_t>(std::max(0, nrep));
    const std::size_t T = static_cast<std::size_t>(std::max(0, ntime));
    return aligned(w.qt, 4 * R * T);
}

FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec, ChivecScratch& w) {
    if (nrep >= 1 && ntime >= 2) {
        const std::size_t R = static_cast<std::size_t>(nrep);
        const std::size_t T = static_cast<std::size_t>(ntime);
        double* const qt = chivec_cells(w, nrep, ntime);
        for (std::size_t t = 0; t < T; ++t)
            for (std::size_t i = 0; i < R; ++i)
                for (std::size_t k = 0; k < 4; ++k)
                    qt[(t * R + i) * 4 + k] = qvec[i + R * (t + T * k)];
    }
    return chivecfun_cells(nrep, ntime, stat, nullmat, pivec, w);
}

FitInfo chivecfun_cells(int nrep, int ntime, double& stat, Table4& nullmat, Vec4& pivec,
                        ChivecScratch& w) {
    if (nrep < 1 || ntime < 2) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        stat = nan;
        nullmat.v.fill(nan);
        pivec.fill(nan);
        FitInfo none;
        none.concordance = nan;
        return none;
    }
    const std::size_t R = static_cast<std::size_t>(nrep);
    const std::size_t T = static_cast<std::size_t>(ntime);
    Buffers b;
    b.qt = chivec_cells(w, nrep, ntime);
    b.alpha = aligned(w.alpha, 4 * R * T);
    b.beta = aligned(w.beta, 4 * R * T);
    b.xi = aligned(w.xi, 16 * R * (T - 1));
    b.steps = aligned(w.steps, 20 * (T - 1));
    // One replicate per time point is common (arrays without replicates).
    const bool avx2 = simd_path() == SimdPath::avx2;
    FitFn fn = nrep == 1 ? (avx2 ? fit_avx2<1> : fit_sse2<1>) : (avx2 ? fit_avx2<0> : fit_sse2<0>);
    Table4 commart;
    FitInfo info = fn(nrep, ntime, commart, pivec, b);
    chivec_results(commart, stat, nullmat);
    info.concordance = concordance(commart);
    return info;
}

}  // namespace coswitch
