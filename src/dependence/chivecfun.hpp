#pragma once
// The Markov dependence statistic of one gene pair: an EM fit of the
// four-cell chain, its expected joint transition counts, and Pearson's
// chi-square against the Kronecker (independence) model.
#include <vector>

#include "numeric/array.hpp"

namespace coswitch {

// A fit that has not met the tolerance after this many passes ends as if it
// had: on some data the iteration cycles for ever.
inline constexpr int kMaxPasses = 10000;

struct FitInfo {
    int passes = 0;
    bool capped = false;
};

// Buffers of one fit, owned by the caller and reused from call to call.
struct ChivecScratch {
    std::vector<double> alpha;  // forward values, replicate fastest, then cell, then time
    std::vector<double> beta;   // backward values, same layout
    std::vector<double> work;   // per-replicate products of one time step
};

// qvec holds QVEC(r, t, k), r fastest, then t, then k. With nrep < 1 or
// ntime < 2 there is no transition to fit: stat, nullmat and pivec are all
// not-a-number and no pass is made.
FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec, ChivecScratch& scratch);
FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec);

// The tail shared by every implementation: margins, independence model and
// statistic from the expected joint counts.
void chivec_results(const Table4& commart, double& stat, Table4& nullmat);

}  // namespace coswitch
