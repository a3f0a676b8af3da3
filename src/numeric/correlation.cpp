#include "numeric/correlation.hpp"

#include <cmath>

namespace coswitch {
double corr(int n, const double* x, const double* y) {
    double sx = 0.0;
    double sy = 0.0;
    for (int i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double dn = static_cast<double>(n);
    const double mx = sx / dn;
    const double my = sy / dn;
    // Three running sums in one loop: each adds its terms in the same order
    // as a loop of its own, and their chains of additions overlap.
    double sxx = 0.0;
    double syy = 0.0;
    double sxy = 0.0;
    for (int i = 0; i < n; ++i) {
        const double dx = x[i] - mx;
        const double dy = y[i] - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    return sxy / (std::sqrt(sxx) * std::sqrt(syy));
}

double corr_complete(int n, const double* x, const double* y, std::vector<double>& a,
                     std::vector<double>& b) {
    a.clear();
    b.clear();
    for (int i = 0; i < n; ++i)
        if (!std::isnan(x[i]) && !std::isnan(y[i])) {
            a.push_back(x[i]);
            b.push_back(y[i]);
        }
    if (a.size() < 3) return std::nan("");
    return corr(static_cast<int>(a.size()), a.data(), b.data());
}
}  // namespace coswitch
