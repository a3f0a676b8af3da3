#pragma once
// What every pair reads: the run's parameters and its input tables.
#include <cstdint>
#include <vector>

#include "numeric/array.hpp"

namespace coswitch {

// What a pair's bootstrap replicates are simulated from. Chained: each from
// the refit to the previous replicate's simulated data (the classic run's
// rule; the model drifts away from the data, and the null values shrink).
// Fixed: every one from the fit to the pair's observed data.
enum class NullModel { chained, fixed };

struct RunParameters {
    char FLAG = 'G';  // 'G' gene-indexed or 'T' time-indexed densities
    int NTIME = 0;
    int NREP = 0;
    int NBOOT = 0;
    int NGENE = 0;
    NullModel null_model = NullModel::chained;
    // Refit with scaled recursions a pair whose likelihood underflows the
    // plain fit (long series, large values); off, such a pair's statistic
    // is not-a-number, as in the classic run.
    bool rescue_underflow = false;
};

// "chained" or "fixed".
const char* null_model_name(NullModel m);

// A count as a size or a loop bound: below 0 it is taken as 0, and products
// of counts are formed from these 64-bit values, never from the ints.
inline std::int64_t extent(int count) { return count < 0 ? 0 : count; }

// The parameters with every negative count taken as 0: what a run sizes its
// tables and loops by. The answers accept any count up to its bound.
RunParameters counts_at_least_zero(const RunParameters& p);

// Rows of realdata.txt: one per time point and replicate.
inline std::int64_t data_rows(const RunParameters& p) { return extent(p.NTIME) * extent(p.NREP); }

// Columns of the parameter tables: NGENE, or max(NGENE, NTIME) in time mode
// so that a run may have more time points than genes.
int parameter_columns(const RunParameters& p);

struct Inputs {
    Array<double, 2> MODTCELL44;  // (NTIME*NREP, NGENE); NaN: a missing value
    Array<double, 2> PARA1;       // (2, columns): means, standard deviations of state 0
    Array<double, 2> PARA2;       // the same for state 1
    // Gene g at [g - 1]: 1 when some of its values are missing; empty when
    // none is (the classic run's inputs never hold one).
    std::vector<std::uint8_t> gaps;

    bool has_gaps(int g) const { return !gaps.empty() && gaps[static_cast<std::size_t>(g - 1)] != 0; }
};

// Inputs::gaps from MODTCELL44: empty when no value is missing.
void mark_gaps(Inputs& in);

// Joint state k of a pair: MORCODE[k][0] first gene's state, [k][1] second's.
inline constexpr int MORCODE[5][2] = {{0, 0}, {0, 0}, {0, 1}, {1, 0}, {1, 1}};

}  // namespace coswitch
