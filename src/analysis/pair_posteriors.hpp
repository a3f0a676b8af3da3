#pragma once
// A pair's joint state as its fitted chain infers it: the posterior
// probability of 00, 01, 10 and 11 at every replicate and time point, from
// the scaled fit, which holds on series of any length.
#include "analysis/run_data.hpp"
#include "dependence/chivecfun.hpp"
#include "numeric/array.hpp"

namespace coswitch {

struct PairPosteriors {
    Array<double, 3> gamma;  // (replicate, time, cell), cell 1..4 = 00, 01, 10, 11
    double stat = 0;         // the dependence statistic of this fit
    double r = 0;            // the signed correlation of the two genes' values
    FitInfo info;
};

// Fits the chain of kept genes i and j (columns of in.MODTCELL44).
PairPosteriors pair_posteriors(const RunParameters& p, const Inputs& in, int i, int j);

}  // namespace coswitch
