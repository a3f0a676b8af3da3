#include "numeric/switching.hpp"

#include <cmath>
#include <limits>

namespace coswitch {

Persistence persistence(const std::vector<double>& x) {
    const std::size_t n = x.size();
    Persistence p;
    p.lag1 = p.z = std::numeric_limits<double>::quiet_NaN();
    if (n < 3) return p;
    double sum = 0;
    for (double v : x) sum += v;
    const double mean = sum / static_cast<double>(n);
    double ss = 0, lagged = 0;
    for (std::size_t t = 0; t < n; ++t) {
        const double d = x[t] - mean;
        ss += d * d;
        if (t + 1 < n) lagged += d * (x[t + 1] - mean);
    }
    if (!(ss > 0)) return p;
    p.lag1 = lagged / ss;
    // Under independence the lag-1 autocorrelation has mean -1/n and
    // variance close to (n-2)^2 / (n^2 (n-1)).
    const double dn = static_cast<double>(n);
    const double sd = (dn - 2.0) / (dn * std::sqrt(dn - 1.0));
    p.z = (p.lag1 + 1.0 / dn) / sd;
    return p;
}

bool switching(const Persistence& p) { return p.z >= kSwitchingZ; }

double bic_gain(double loglik_mixture, double loglik_single, std::size_t n) {
    return 2.0 * (loglik_mixture - loglik_single) - 3.0 * std::log(static_cast<double>(n));
}

}  // namespace coswitch
