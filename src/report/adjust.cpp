#include "report/adjust.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/pair_results.hpp"

namespace coswitch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Step up from the largest p-value: each adjusted value is the smallest
// p * m / rank over its own rank and every rank above it. order holds the
// tested entries by ascending p; how ties are ordered does not matter, as
// the largest rank of a tie sets the value of all of them.
template <class Index, class PValue>
void step_up(const std::vector<Index>& order, PValue p, std::vector<double>& adjusted) {
    const double m = static_cast<double>(order.size());
    double running = 1.0;
    for (std::size_t r = order.size(); r >= 1; --r) {
        const auto k = static_cast<std::size_t>(order[r - 1]);
        const double candidate = p(k) * m / static_cast<double>(r);
        running = std::min(running, candidate);
        adjusted[k] = running;
    }
}

}  // namespace

std::vector<double> benjamini_hochberg(const std::vector<double>& p) {
    std::vector<double> adjusted(p.size(), kNaN);
    std::vector<std::size_t> order;
    order.reserve(p.size());
    for (std::size_t k = 0; k < p.size(); ++k)
        if (!std::isnan(p[k])) order.push_back(k);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    step_up(order, [&](std::size_t k) { return p[k]; }, adjusted);
    return adjusted;
}

std::vector<double> benjamini_hochberg_counts(const std::vector<std::int64_t>& count,
                                              std::int64_t M) {
    std::vector<double> adjusted(count.size(), kNaN);
    if (M <= 0) return adjusted;
    std::vector<std::size_t> order(count.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    // Below 2^53 distinct counts give distinct quotients: ordering by count
    // is ordering by p.
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return count[a] < count[b]; });
    step_up(order, [&](std::size_t k) { return pooled_pvalue(count[k], M); }, adjusted);
    return adjusted;
}

std::vector<double> benjamini_hochberg_counts(const std::vector<std::int64_t>& count,
                                              std::int64_t M,
                                              const std::vector<std::int64_t>& ascending) {
    std::vector<double> adjusted(count.size(), kNaN);
    if (M <= 0) return adjusted;
    step_up(ascending, [&](std::size_t k) { return pooled_pvalue(count[k], M); }, adjusted);
    return adjusted;
}

}  // namespace coswitch
