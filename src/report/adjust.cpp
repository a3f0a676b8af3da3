#include "report/adjust.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace coswitch {

std::vector<double> benjamini_hochberg(const std::vector<double>& p) {
    std::vector<double> adjusted(p.size(), std::numeric_limits<double>::quiet_NaN());
    std::vector<std::size_t> order;
    order.reserve(p.size());
    for (std::size_t k = 0; k < p.size(); ++k)
        if (!std::isnan(p[k])) order.push_back(k);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    const double m = static_cast<double>(order.size());
    // Step up from the largest p-value: each adjusted value is the smallest
    // p * m / rank over its own rank and every rank above it.
    double running = 1.0;
    for (std::size_t r = order.size(); r >= 1; --r) {
        const double candidate = p[order[r - 1]] * m / static_cast<double>(r);
        running = std::min(running, candidate);
        adjusted[order[r - 1]] = running;
    }
    return adjusted;
}

}  // namespace coswitch
