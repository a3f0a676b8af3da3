#include "analysis/pair.hpp"

#include <algorithm>
#include <cmath>

#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "numeric/normalisation.hpp"
#include "random/deviates.hpp"

namespace coswitch {

PairScratch::PairScratch(const RunParameters& p)
    : YEX(p.NREP, p.NTIME, 2),
      TEMP1(static_cast<std::size_t>(data_rows(p))),
      TEMP2(TEMP1.size()),
      QVEC(p.NREP, p.NTIME, 4),
      ST(p.NREP, p.NTIME),
      BST(p.NREP, p.NTIME, 2) {}

namespace {

// Cell weights of the data in YEX. Each of the four densities of an
// observation is computed once; every product is the same a*b as always.
void cell_weights(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w) {
    const bool time_mode = p.FLAG == 'T';
    for (int r = 1; r <= p.NREP; ++r)
        for (int t = 1; t <= p.NTIME; ++t) {
            const int c1 = time_mode ? t : i;
            const int c2 = time_mode ? t : j;
            const double y1 = w.YEX(r, t, 1);
            const double y2 = w.YEX(r, t, 2);
            const double a[2] = {dnorm(y1, in.PARA1(1, c1), in.PARA1(2, c1)),
                                 dnorm(y1, in.PARA2(1, c1), in.PARA2(2, c1))};
            const double b[2] = {dnorm(y2, in.PARA1(1, c2), in.PARA1(2, c2)),
                                 dnorm(y2, in.PARA2(1, c2), in.PARA2(2, c2))};
            for (int k = 1; k <= 4; ++k) w.QVEC(r, t, k) = a[MORCODE[k][0]] * b[MORCODE[k][1]];
        }
}

// Both statistics of the data in YEX, whose values TEMP1 and TEMP2 already
// hold in the caller's order; refits NULLMAT and PIVEC.
void statistics_of_yex(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                       double& stat, double& abs_corr, int& capped) {
    const double c = corr(p.NTIME * p.NREP, w.TEMP1.data(), w.TEMP2.data());
    cell_weights(p, in, i, j, w);
    const FitInfo info =
        chivecfun(p.NREP, p.NTIME, w.QVEC.data(), stat, w.NULLMAT, w.PIVEC, w.fit);
    if (info.capped) ++capped;
    abs_corr = std::fabs(c);
}

// Cell drawn by the sampler; a draw that marks no single cell (the uniform
// above every cumulative probability, or probabilities that are not numbers)
// is taken as the last cell.
int draw_cell(PairScratch& w, SamplerStream& s) {
    mtn(1, w.P, w.IR, 4, s);
    const int cell = w.IR[0] + 2 * w.IR[1] + 3 * w.IR[2] + 4 * w.IR[3];
    return (cell < 1 || cell > 4) ? 4 : cell;
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
    statistics_of_yex(p, in, i, j, w, res, corres, capped);
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

    const bool time_mode = p.FLAG == 'T';
    for (int r = 1; r <= p.NREP; ++r) {
        for (int t = 1; t <= p.NTIME; ++t) {
            for (int k = 1; k <= 4; ++k)
                w.P[k - 1] = static_cast<float>(t == 1 ? w.PIVEC[k - 1]
                                                       : w.TMAT(w.ST(r, t - 1), k));
            const int s = draw_cell(w, streams.sampler);
            w.ST(r, t) = s;
            w.BST(r, t, 1) = MORCODE[s][0];
            w.BST(r, t, 2) = MORCODE[s][1];
        }
        for (int t = 1; t <= p.NTIME; ++t)
            for (int g = 1; g <= 2; ++g) {
                const int col = time_mode ? t : (g == 1 ? i : j);
                w.R = static_cast<double>(snorm(streams.normal));
                const Array<double, 2>& para = w.BST(r, t, g) == 0 ? in.PARA1 : in.PARA2;
                w.YEX(r, t, g) = para(1, col) + w.R * para(2, col);
            }
    }
    for (int r = 1; r <= p.NREP; ++r)
        for (int t = 1; t <= p.NTIME; ++t) {
            const std::size_t m = static_cast<std::size_t>((r - 1) * p.NTIME + t - 1);
            w.TEMP1[m] = w.YEX(r, t, 1);
            w.TEMP2[m] = w.YEX(r, t, 2);
        }
    statistics_of_yex(p, in, i, j, w, nullstat, nullcorr, capped);
}

void analyse_pair(const RunParameters& p, const Inputs& in, int i, int j, RandomStreams& streams,
                  PairScratch& w, PairResult& out,
                  const std::function<void(int, double, double)>& on_replicate) {
    out.capped_fits = 0;
    observed_pair(p, in, i, j, w, out.res, out.corres, out.capped_fits);
    const int nboot = p.NBOOT > 0 ? p.NBOOT : 0;
    out.nullstat.assign(static_cast<std::size_t>(nboot), 0.0);
    out.nullcorr.assign(static_cast<std::size_t>(nboot), 0.0);
    for (int b = 1; b <= nboot; ++b) {
        bootstrap_replicate(p, in, i, j, streams, w, out.nullstat[b - 1], out.nullcorr[b - 1],
                            out.capped_fits);
        if (on_replicate) on_replicate(b, out.nullstat[b - 1], out.nullcorr[b - 1]);
    }
}

}  // namespace coswitch
