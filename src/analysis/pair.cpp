#include "analysis/pair.hpp"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "dependence/scaled_fit.hpp"
#include "numeric/correlation.hpp"
#include "numeric/elementary.hpp"
#include "numeric/elementary_lanes.hpp"
#include "numeric/normalisation.hpp"
#include "numeric/simd_path.hpp"
#include "random/deviates.hpp"
#include "random/sampler.hpp"

namespace coswitch {

PairScratch::PairScratch(const RunParameters& p)
    : YEX(p.NREP, p.NTIME, 2),
      TEMP1(static_cast<std::size_t>(data_rows(p))),
      TEMP2(TEMP1.size()),
      QVEC(p.NREP, p.NTIME, 4),
      ST(p.NREP, p.NTIME),
      BST(p.NREP, p.NTIME, 2) {}

namespace {

// The normal density of dnorm for both states of both genes' columns side by
// side, lanes (gene 1 state 0, gene 1 state 1, gene 2 state 0, gene 2 state 1):
// the same operations on the same values, so the same bits.
// The helpers below are inlined, so no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef double v4d __attribute__((vector_size(32)));
struct CellConstants {
    v4d mean, den, norm;  // a state's mean, (2 sd) sd and sd sqrt(2 pi)
};
CellConstants cell_constants(const Inputs& in, int col1, int col2) {
    CellConstants c;
    const int col[2] = {col1, col2};
    for (int g = 0; g < 2; ++g)
        for (int s = 0; s < 2; ++s) {
            const auto& para = s == 0 ? in.PARA1 : in.PARA2;
            const double mean = para(1, col[g]), sd = para(2, col[g]);
            c.mean[2 * g + s] = mean;
            c.den[2 * g + s] = (2.0 * sd) * sd;
            c.norm[2 * g + s] = sd * 2.5066282143923915;
        }
    return c;
}

// exp of the four lanes: fused four at once, or one at a time. The lanes go
// by reference: a wide vector by value to code built without AVX would
// change the calling convention, which clang refuses.
struct ExpLanesFused {
    __attribute__((target("avx2,fma"))) void operator()(const v4d& x, v4d& out) const {
        out = (v4d)exp4_fused((__m256d)x);
    }
};
struct ExpLanesOneByOne {
    void operator()(const v4d& x, v4d& out) const {
        out = v4d{portable_exp(x[0]), portable_exp(x[1]), portable_exp(x[2]), portable_exp(x[3])};
    }
};

// Cell weights of the data in YEX, each the product a * b of dnorm's values.
// Its callers are flattened: everything is inlined into them, built for
// their instruction set.
// A missing value carries no evidence about its gene's state: its factor
// is 1 for both states. Without gaps the weights are untouched.
template <class ExpLanes>
void cell_weights_body(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                       ExpLanes exp4, bool gaps) {
    const bool time_mode = p.FLAG == 'T';
    const std::size_t NR = static_cast<std::size_t>(std::max(0, p.NREP));
    const std::size_t NT = static_cast<std::size_t>(std::max(0, p.NTIME));
    const std::size_t cells = NR * NT;
    const double* const yex = w.YEX.data();  // (r, t, g) at r + NR * (t + NT * g)
    // Laid out as the fit reads them: a cell's four weights side by side.
    double* const qc = chivec_cells(w.fit, p.NREP, p.NTIME);
    CellConstants genes{};
    if (!time_mode) genes = cell_constants(in, i, j);
    for (std::size_t t = 0; t < NT; ++t) {
        const int col = static_cast<int>(t) + 1;
        const CellConstants c = time_mode ? cell_constants(in, col, col) : genes;
        for (std::size_t r = 0; r < NR; ++r) {
            const std::size_t m = r + NR * t;
            const double y1 = yex[m], y2 = yex[m + cells];
            const v4d d = v4d{y1, y1, y2, y2} - c.mean;
            v4d e;
            exp4(-((d * d) / c.den), e);
            v4d ab = e / c.norm;
            if (gaps) {
                if (y1 != y1) ab[0] = ab[1] = 1.0;
                if (y2 != y2) ab[2] = ab[3] = 1.0;
            }
            // Joint state k weighs a(first state) * b(second state).
            static_assert(MORCODE[1][0] == 0 && MORCODE[1][1] == 0 && MORCODE[2][0] == 0 &&
                          MORCODE[2][1] == 1 && MORCODE[3][0] == 1 && MORCODE[3][1] == 0 &&
                          MORCODE[4][0] == 1 && MORCODE[4][1] == 1);
            const v4d q = __builtin_shufflevector(ab, ab, 0, 0, 1, 1) *
                          __builtin_shufflevector(ab, ab, 2, 3, 2, 3);
            *reinterpret_cast<v4d*>(qc + 4 * m) = q;
        }
    }
}

__attribute__((target("avx2,fma"), flatten)) void cell_weights_fused(const RunParameters& p,
                                                            const Inputs& in, int i, int j,
                                                            PairScratch& w, bool gaps) {
    cell_weights_body(p, in, i, j, w, ExpLanesFused{}, gaps);
}
__attribute__((flatten)) void cell_weights_plain(const RunParameters& p, const Inputs& in, int i,
                                                 int j, PairScratch& w, bool gaps) {
    cell_weights_body(p, in, i, j, w, ExpLanesOneByOne{}, gaps);
}
void cell_weights(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                  bool gaps) {
    if (simd_path() == SimdPath::avx2 && elementary_detail::has_fma())
        cell_weights_fused(p, in, i, j, w, gaps);
    else
        cell_weights_plain(p, in, i, j, w, gaps);
}

// QVEC from the weights the fit read.
void qvec_from_cells(const RunParameters& p, PairScratch& w) {
    const std::size_t NR = static_cast<std::size_t>(std::max(0, p.NREP));
    const std::size_t NT = static_cast<std::size_t>(std::max(0, p.NTIME));
    const double* const qc = chivec_cells(w.fit, p.NREP, p.NTIME);
    double* const qvec = w.QVEC.data();  // (r, t, k) at r + NR * (t + NT * k)
    for (std::size_t m = 0; m < NR * NT; ++m)
        for (std::size_t k = 0; k < 4; ++k) qvec[m + NR * NT * k] = qc[4 * m + k];
}

// Both statistics of the data in YEX, whose values TEMP1 and TEMP2 already
// hold in the caller's order; refits NULLMAT and PIVEC, and leaves the cell
// weights in QVEC when keep_qvec.
void statistics_of_yex(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                       double& stat, double& abs_corr, int& capped, bool keep_qvec) {
    const bool gaps = in.has_gaps(i) || in.has_gaps(j);
    const int n = p.NTIME * p.NREP;
    const double c = gaps ? corr_complete(n, w.TEMP1.data(), w.TEMP2.data(), w.complete1, w.complete2)
                          : corr(n, w.TEMP1.data(), w.TEMP2.data());
    cell_weights(p, in, i, j, w, gaps);
    FitInfo info = chivecfun_cells(p.NREP, p.NTIME, stat, w.NULLMAT, w.PIVEC, w.fit);
    const bool rescue = p.rescue_underflow && plain_fit_may_have_underflowed(p.NREP, info);
    if (keep_qvec || rescue) qvec_from_cells(p, w);
    if (rescue && plain_fit_underflowed(p.NREP, p.NTIME, w.QVEC.data(), info))
        info = chivecfun_scaled(p.NREP, p.NTIME, w.QVEC.data(), stat, w.NULLMAT, w.PIVEC, w.fit);
    if (info.capped) ++capped;
    w.last_fit = info;
    w.last_r = c;
    abs_corr = std::fabs(c);
}

}  // namespace

void observed_pair(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                   double& res, double& corres, int& capped) {
    for (int t = 1; t <= p.NTIME; ++t)
        for (int r = 1; r <= p.NREP; ++r) {
            const int m = (t - 1) * p.NREP + r;
            w.YEX(r, t, 1) = in.MODTCELL44(m, i);
            w.YEX(r, t, 2) = in.MODTCELL44(m, j);
        }
    for (int t = 1; t <= p.NTIME; ++t)
        for (int r = 1; r <= p.NREP; ++r) {
            const std::size_t m = static_cast<std::size_t>((t - 1) * p.NREP + r - 1);
            w.TEMP1[m] = w.YEX(r, t, 1);
            w.TEMP2[m] = w.YEX(r, t, 2);
        }
    statistics_of_yex(p, in, i, j, w, res, corres, capped, true);
}

void bootstrap_replicate(const RunParameters& p, const Inputs& in, int i, int j,
                         RandomStreams& streams, PairScratch& w, double& nullstat,
                         double& nullcorr, int& capped) {
    double x[4];
    for (int k = 0; k < 4; ++k) x[k] = w.PIVEC[k] + 1e-6;
    normalvec(4, x, w.TEMP3.data());
    w.PIVEC = w.TEMP3;
    Table4 a;
    for (int n = 0; n < 16; ++n) a.v[n] = w.NULLMAT.v[n] + 1e-6;
    normalization(4, 4, a.data(), w.TMAT.data());

    const std::size_t NR = static_cast<std::size_t>(std::max(0, p.NREP));
    const std::size_t NT = static_cast<std::size_t>(std::max(0, p.NTIME));
    const std::size_t cells = NR * NT;
    if (cells == 0) {
        statistics_of_yex(p, in, i, j, w, nullstat, nullcorr, capped, false);
        return;
    }
    // The sampler's probabilities and cumulative bounds, once per state row:
    // row 0 from PIVEC for the first time point, row s from TMAT after cell s.
    float prob[5][4];
    CellBounds bounds[5];
    for (int k = 0; k < 4; ++k) prob[0][k] = static_cast<float>(w.PIVEC[k]);
    for (int s = 1; s <= 4; ++s)
        for (int k = 0; k < 4; ++k) prob[s][k] = static_cast<float>(w.TMAT(s, k + 1));
    for (int s = 0; s <= 4; ++s) bounds[s] = cell_bounds(prob[s]);

    // Both streams' draws of the whole replicate at once: the sampler's row by
    // row and time point by time point, the normal stream's row by row, time
    // point by time point, first gene before second.
    w.uniforms.resize(cells);
    sampler_fill(streams.sampler, w.uniforms.data(), cells);
    const float* z;
    if (streams.deviates != nullptr) {
        z = streams.deviates;
        streams.deviates += 2 * cells;
    } else {
        w.normals.resize(2 * cells);
        snorm_fill(streams.normal, w.normals.data(), 2 * cells);
        z = w.normals.data();
    }

    // Parameters by column: mean and standard deviation of each state.
    const double* const para[2] = {in.PARA1.data(), in.PARA2.data()};
    const bool time_mode = p.FLAG == 'T';
    std::int32_t* const st = w.ST.data();       // (r, t) at r + NR * t, from 0
    std::int32_t* const bst = w.BST.data();     // (r, t, g) at r + NR * (t + NT * g)
    double* const yex = w.YEX.data();           // same layout as BST
    // Rows side by side, time point by time point: each row's chain of
    // cells is serial, the rows are not.
    const double* const u = w.uniforms.data();  // (r, t) at r * NT + t
    for (std::size_t t = 0; t < NT; ++t)
        for (std::size_t r = 0; r < NR; ++r) {
            const int prev = t == 0 ? 0 : st[r + NR * (t - 1)];
            // A draw that marks no single cell (the uniform above every
            // cumulative probability, or probabilities that are not numbers)
            // is taken as the last cell.
            int cell = mtn_marks(bounds[prev], u[r * NT + t]);
            if (cell < 1 || cell > 4) cell = 4;
            st[r + NR * t] = cell;
            bst[r + NR * t] = MORCODE[cell][0];
            bst[r + NR * (t + NT)] = MORCODE[cell][1];
        }
    // The values in YEX and, in the order the correlation takes them, in
    // TEMP1 and TEMP2.
    double* const t1 = w.TEMP1.data();
    double* const t2 = w.TEMP2.data();
    if (time_mode) {
        for (std::size_t r = 0; r < NR; ++r)
            for (std::size_t t = 0; t < NT; ++t)
                for (std::size_t g = 0; g < 2; ++g) {
                    const double* pc = para[bst[r + NR * (t + NT * g)]] + 2 * t;
                    const double dev = static_cast<double>(z[(r * NT + t) * 2 + g]);
                    yex[r + NR * (t + NT * g)] = pc[0] + dev * pc[1];
                }
        for (std::size_t r = 0; r < NR; ++r)
            for (std::size_t t = 0; t < NT; ++t) {
                t1[r * NT + t] = yex[r + NR * t];
                t2[r * NT + t] = yex[r + NR * (t + NT)];
            }
    } else {
        // Each gene's columns hold its mean and deviation by state.
        const double* const pc1[2] = {para[0] + 2 * (i - 1), para[1] + 2 * (i - 1)};
        const double* const pc2[2] = {para[0] + 2 * (j - 1), para[1] + 2 * (j - 1)};
        const double mean1[2] = {pc1[0][0], pc1[1][0]}, sd1[2] = {pc1[0][1], pc1[1][1]};
        const double mean2[2] = {pc2[0][0], pc2[1][0]}, sd2[2] = {pc2[0][1], pc2[1][1]};
        for (std::size_t r = 0; r < NR; ++r)
            for (std::size_t t = 0; t < NT; ++t) {
                const std::int32_t s1 = bst[r + NR * t], s2 = bst[r + NR * (t + NT)];
                const double y1 = mean1[s1] + static_cast<double>(z[(r * NT + t) * 2]) * sd1[s1];
                const double y2 = mean2[s2] + static_cast<double>(z[(r * NT + t) * 2 + 1]) * sd2[s2];
                yex[r + NR * t] = y1;
                yex[r + NR * (t + NT)] = y2;
                t1[r * NT + t] = y1;
                t2[r * NT + t] = y2;
            }
    }
    // The null data have the observed data's holes, gene by gene.
    for (const auto& [gene, offset, temp] :
         {std::tuple{i, std::size_t{0}, t1}, std::tuple{j, cells, t2}}) {
        if (!in.has_gaps(gene)) continue;
        for (std::size_t t = 0; t < NT; ++t)
            for (std::size_t r = 0; r < NR; ++r)
                if (std::isnan(in.MODTCELL44(static_cast<int>(t * NR + r) + 1, gene))) {
                    yex[r + NR * t + offset] = std::nan("");
                    temp[r * NT + t] = std::nan("");
                }
    }
    const int last = NT > 1 ? st[NR * NT - 1 - NR] : 0;  // the row of the last draw

    // The tables of the last draw, as a draw at a time leaves them.
    const double ulast = u[cells - 1];
    const CellBounds& bl = bounds[last];
    for (int k = 0; k < 4; ++k) {
        w.P[k] = prob[last][k];
        w.IR[k] = k == 0 ? (ulast > 0.0 && ulast <= bl.c[0])
                         : (bl.c[k - 1] < ulast && ulast <= bl.c[k]);
    }
    w.R = static_cast<double>(z[2 * cells - 1]);

    statistics_of_yex(p, in, i, j, w, nullstat, nullcorr, capped, false);
}

void analyse_pair(const RunParameters& p, const Inputs& in, int i, int j, RandomStreams& streams,
                  PairScratch& w, PairResult& out,
                  const std::function<void(int, double, double)>& on_replicate) {
    out.capped_fits = 0;
    observed_pair(p, in, i, j, w, out.res, out.corres, out.capped_fits);
    const int nboot = p.NBOOT > 0 ? p.NBOOT : 0;
    out.nullstat.assign(static_cast<std::size_t>(nboot), 0.0);
    out.nullcorr.assign(static_cast<std::size_t>(nboot), 0.0);
    const Table4 observed_nullmat = w.NULLMAT;
    const Vec4 observed_pivec = w.PIVEC;
    for (int b = 1; b <= nboot; ++b) {
        if (p.null_model == NullModel::fixed) {
            w.NULLMAT = observed_nullmat;
            w.PIVEC = observed_pivec;
        }
        bootstrap_replicate(p, in, i, j, streams, w, out.nullstat[b - 1], out.nullcorr[b - 1],
                            out.capped_fits);
        if (on_replicate) on_replicate(b, out.nullstat[b - 1], out.nullcorr[b - 1]);
    }
}

}  // namespace coswitch
