#pragma once
// Does a gene switch? Two normal states can be fitted to any values, noise
// included. A gene that switches shows it in one of two ways: its values
// fall into two states clearly enough that two normal densities beat one by
// the Bayesian information criterion, or its state persists from one time
// point to the next, so that its courses keep more of their order than the
// same values shuffled in time. Few values (a short series without
// replicates) rarely prove two states; a few well-spread replicates rarely
// prove persistence; either suffices.
#include <cstddef>
#include <vector>

#include "numeric/mixture.hpp"

namespace coswitch {

struct Persistence {
    double lag1 = 0;  // lag-1 autocorrelation, pooled over the replicates' courses
    double p = 0;     // share of time orders that persist at least as much
};

// Random time orders the test draws: the smallest p-value is 1/1000.
inline constexpr int kPersistenceOrders = 999;

// values: replicate r of time point t at [(t-1)*nrep + (r-1)], as a column of
// the run's data. Each replicate's course is centred on its own mean. Needs
// at least 3 time points and some variation; otherwise both are not-a-number.
// The same values give the same p-value on every machine.
Persistence persistence(const std::vector<double>& values, int ntime, int nrep);

// Persistence that at most 1 % of time orders reach.
inline constexpr double kPersistentP = 0.01;
bool persistent(const Persistence& p);

// The mixture's log-likelihood gain over one normal density, less the
// information criterion's price of its three further parameters: positive
// when two states are worth their cost on n values.
double bic_gain(double loglik_mixture, double loglik_single, std::size_t n);

// Two states worth their cost, or a persistent course.
bool switching(double bic_gain, const Persistence& p);

// What a column of the data says about two states: fit, gain and, for a
// gene's courses, persistence.
struct TwoStateFit {
    MixtureFit fit;
    double bic_gain = 0;
    Persistence persistence;  // both 0 when the values are not courses
};

// The fit of values, which must have variation.
TwoStateFit fit_two_states(const std::vector<double>& values);
// The same for a gene's courses, laid out as persistence() takes them, with
// their persistence; a missing value (NaN) has no part in the fit, and at
// least 2 values that differ must be there.
TwoStateFit fit_two_states(const std::vector<double>& values, int ntime, int nrep);

}  // namespace coswitch
