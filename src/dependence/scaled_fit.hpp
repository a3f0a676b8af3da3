#pragma once
// The dependence statistic's fit with its forward and backward values
// rescaled at every time point. The plain fit multiplies weights along the
// whole series, so on long series or large values a replicate's likelihood
// falls below the smallest double, its posteriors vanish and the statistic
// becomes not-a-number; the posteriors are ratios, so rescaling leaves them
// as they are. The plain fit stays the one used wherever it holds, for its
// bits.
#include "dependence/chivecfun.hpp"

namespace coswitch {

// Same arguments and results as chivecfun, the same EM steps, sums and
// stopping rule; only the scale of the recursions differs. When gamma is
// given it receives the last pass's state posteriors GAMMA(replicate, time,
// cell), each time point's summing to 1 (0 for a replicate with no possible
// course), so that a picture can show the joint state the fit infers.
FitInfo chivecfun_scaled(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                         Vec4& pivec, ChivecScratch& scratch, Array<double, 3>* gamma = nullptr);

// True when the plain fit that returned `info` lost a replicate's posterior
// to underflow: every weight is finite, yet some time step's posteriors sum
// to less than the replicates that have a possible course (a replicate with
// a time point where every cell weighs 0 has none, in any scaling).
bool plain_fit_underflowed(int nrep, int ntime, const double* qvec, const FitInfo& info);
// False when the posteriors sum to the replicate count up to rounding, so
// that plain_fit_underflowed is false whatever the weights.
bool plain_fit_may_have_underflowed(int nrep, const FitInfo& info);

}  // namespace coswitch
