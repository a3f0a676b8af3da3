#pragma once
// Two-component normal mixture fitted by expectation-maximisation: the
// estimate of a gene's (or a time point's) low and high expression states.
#include <cstddef>
#include <vector>

namespace coswitch {

struct MixtureSettings {
    double sd_floor_fraction = 0.05;  // of the values' overall standard deviation
    int max_iterations = 500;
    double tolerance = 1e-10;  // on the log-likelihood change, relative to 1 + |loglik|
};

struct MixtureFit {
    double mean0 = 0, sd0 = 0;  // state 0: the component with the lower mean
    double mean1 = 0, sd1 = 0;
    double weight1 = 0;  // mixing weight of state 1
    double loglik = 0;
    double loglik_single = 0;  // of one normal with the values' mean and deviation
    int iterations = 0;
    bool converged = false;
};

// True when the values are not all equal (a mixture needs at least two).
bool has_variation(const std::vector<double>& x);

// Fits the mixture to x, which must have variation. Starts from the split at
// the median (lower half state 0, upper half state 1); every standard
// deviation is kept at or above the floor. Same values, same fit. Values
// near the ends of the double range (magnitudes from 2^256 up, or below
// 2^-256 all of them) are fitted scaled by a power of two and scaled back.
MixtureFit fit_two_normals(const std::vector<double>& x, const MixtureSettings& s = {});

// True when the two states beat a single normal by the Bayesian information
// criterion (three more parameters, each worth log(n) / 2).
bool two_states_supported(const MixtureFit& f, std::size_t n);

// |mean1 - mean0| over the root mean square of the two standard deviations.
// Below 2 an equal mixture of the two has a single mode.
double separation(const MixtureFit& f);

// True when means, deviations and weight are all finite numbers, and the
// deviations not negative: a fit that can be written and read back.
bool fit_is_finite(const MixtureFit& f);

}  // namespace coswitch
