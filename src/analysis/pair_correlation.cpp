#include "analysis/pair_correlation.hpp"

#include "numeric/correlation.hpp"

namespace coswitch {

double pair_correlation(const RunParameters& p, const Inputs& in, int i, int j, CorrelationScratch& w) {
    // A gene's values are one column, time point by time point and replicate
    // by replicate within one: the order the observed statistics read them in.
    const int n = p.NTIME * p.NREP;
    const double* x = &in.MODTCELL44(1, i);
    const double* y = &in.MODTCELL44(1, j);
    if (in.has_gaps(i) || in.has_gaps(j)) return corr_complete(n, x, y, w.a, w.b);
    return corr(n, x, y);
}

}  // namespace coswitch
