#include "analysis/pvalues.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace coswitch {

PooledNull::PooledNull(std::vector<double> values) {
    sorted_.reserve(values.size());
    for (double v : values) {
        if (std::isnan(v))
            ++nan_count_;
        else
            sorted_.push_back(v);
    }
    std::sort(sorted_.begin(), sorted_.end());
}

std::int64_t PooledNull::count_not_exceeded(double observed) const {
    const auto total = static_cast<std::int64_t>(sorted_.size()) + nan_count_;
    if (std::isnan(observed)) return total;
    // Values below the observed one are exceeded; the rest count.
    const auto below = std::lower_bound(sorted_.begin(), sorted_.end(), observed) - sorted_.begin();
    return total - static_cast<std::int64_t>(below);
}

std::int64_t count_not_exceeded_direct(double observed, const std::vector<double>& nulls) {
    std::int64_t c = 0;
    for (double v : nulls)
        if (!(observed > v)) ++c;
    return c;
}

void pvalues(int ngene, int nboot, const Array<double, 2>& RES, const Array<double, 2>& CORRES,
             const Array<double, 3>& NULLSTAT, const Array<double, 3>& NULLCORR,
             Array<float, 2>& NEWPVAL, Array<float, 2>& CORPVAL) {
    if (ngene < 2) return;
    if (nboot <= 0) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (int i = 1; i <= ngene - 1; ++i)
            for (int j = i + 1; j <= ngene; ++j) NEWPVAL(i, j) = CORPVAL(i, j) = nan;
        return;
    }
    const std::int32_t m = (ngene * ngene - ngene) / 2 * nboot;
    std::vector<double> stats;
    std::vector<double> corrs;
    stats.reserve(static_cast<std::size_t>(m));
    corrs.reserve(static_cast<std::size_t>(m));
    for (int i = 1; i <= ngene - 1; ++i)
        for (int j = i + 1; j <= ngene; ++j)
            for (int b = 1; b <= nboot; ++b) {
                stats.push_back(NULLSTAT(i, j, b));
                corrs.push_back(NULLCORR(i, j, b));
            }
    const PooledNull pooled_stat(std::move(stats));
    const PooledNull pooled_corr(std::move(corrs));
    const double dm = static_cast<double>(m);
    for (int i = 1; i <= ngene - 1; ++i)
        for (int j = i + 1; j <= ngene; ++j) {
            const auto cn = pooled_stat.count_not_exceeded(RES(i, j));
            const auto cc = pooled_corr.count_not_exceeded(CORRES(i, j));
            NEWPVAL(i, j) = static_cast<float>(static_cast<double>(cn) / dm);
            CORPVAL(i, j) = static_cast<float>(static_cast<double>(cc) / dm);
        }
}

}  // namespace coswitch
