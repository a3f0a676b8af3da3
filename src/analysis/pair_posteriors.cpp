#include "analysis/pair_posteriors.hpp"

#include "analysis/pair.hpp"
#include "dependence/scaled_fit.hpp"

namespace coswitch {

PairPosteriors pair_posteriors(const RunParameters& p, const Inputs& in, int i, int j) {
    PairScratch w(p);
    double res = 0, corres = 0;
    int capped = 0;
    // The observed pass lays out the pair's cell weights; its own fit is not kept.
    observed_pair(p, in, i, j, w, res, corres, capped);
    PairPosteriors out;
    out.r = w.last_r;
    out.info = chivecfun_scaled(p.NREP, p.NTIME, w.QVEC.data(), out.stat, w.NULLMAT, w.PIVEC,
                                w.fit, &out.gamma);
    return out;
}

}  // namespace coswitch
