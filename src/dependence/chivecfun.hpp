#pragma once
// The Markov dependence statistic of one gene pair: an EM fit of the
// four-cell chain, its expected joint transition counts, and Pearson's
// chi-square against the Kronecker (independence) model.
#include <vector>

#include "numeric/array.hpp"
#include "numeric/simd_path.hpp"

namespace coswitch {

// A fit that has not met the tolerance after this many passes ends as if it
// had: on some data the iteration cycles for ever.
inline constexpr int kMaxPasses = 10000;

struct FitInfo {
    int passes = 0;
    bool capped = false;
    bool scaled = false;  // made by the scaled fit
    // The smallest sum, over the time steps, of the last pass's posteriors of
    // every replicate: the number of replicates unless some are lost.
    double least_mass = 0;
    // Of the expected time in each cell (the rows of the expected joint
    // counts): time(00) time(11) - time(01) time(10). Positive when the two
    // genes share their state more than independent genes with the same
    // state shares would; negative in opposite phase.
    double concordance = 0;
};

// Buffers of one fit, owned by the caller and reused from call to call.
struct ChivecScratch {
    std::vector<double> qt;     // the weights, cell fastest, then replicate, then time
    std::vector<double> alpha;  // forward values, same layout
    std::vector<double> beta;   // backward values of one time point
    std::vector<double> xi;     // transition posteriors of the latest pass
    std::vector<double> steps;  // per-step sums over replicates
    std::vector<double> scaled;  // the scaled fit's recursions and weights
};

// The fit's instruction set follows simd_path() (numeric/simd_path.hpp).

// qvec holds QVEC(r, t, k), r fastest, then t, then k. With nrep < 1 or
// ntime < 2 there is no transition to fit: stat, nullmat and pivec are all
// not-a-number and no pass is made.
FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec, ChivecScratch& scratch);
FitInfo chivecfun(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                  Vec4& pivec);

// The same fit from weights the caller lays out in the scratch, cell
// fastest: QVEC(r, t, k) at [(t * nrep + r) * 4 + k] of chivec_cells' buffer
// (32-byte aligned, room for nrep x ntime x 4), which the fit reads as it is.
double* chivec_cells(ChivecScratch& scratch, int nrep, int ntime);
FitInfo chivecfun_cells(int nrep, int ntime, double& stat, Table4& nullmat, Vec4& pivec,
                        ChivecScratch& scratch);

// The tail shared by every implementation: margins, independence model and
// statistic from the expected joint counts.
void chivec_results(const Table4& commart, double& stat, Table4& nullmat);

// FitInfo::concordance of the expected joint counts.
double concordance(const Table4& commart);

}  // namespace coswitch
