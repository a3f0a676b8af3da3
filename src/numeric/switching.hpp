#pragma once
// Does a gene switch? Two normal states can be fitted to any values, noise
// included; what sets a switching gene apart over a time course is that its
// state persists from one time point to the next. So the criterion is the
// lag-1 autocorrelation of the gene's time course, against what independent
// values would give; the mixture's gain over one normal density (Bayesian
// information criterion) is reported beside it.
#include <cstddef>
#include <vector>

namespace coswitch {

struct Persistence {
    double lag1 = 0;  // lag-1 autocorrelation of the time course
    double z = 0;     // standardised under independent values
};

// The time course x (one value per time point, in time order). Needs at
// least 3 time points and some variation; otherwise both are not-a-number.
Persistence persistence(const std::vector<double>& x);

// One-sided 1 % point of the standard normal: a course whose z reaches it
// is called switching.
inline constexpr double kSwitchingZ = 2.326;
bool switching(const Persistence& p);

// The mixture's log-likelihood gain over one normal density, less the
// information criterion's price of its three further parameters: positive
// when two states are worth their cost on n values.
double bic_gain(double loglik_mixture, double loglik_single, std::size_t n);

}  // namespace coswitch
