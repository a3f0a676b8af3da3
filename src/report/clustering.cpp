#include "report/clustering.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/pair_order.hpp"

namespace coswitch {

std::vector<int> average_linkage_order(int n, const std::vector<double>& similarity) {
    if (n < 0 || similarity.size() != static_cast<std::size_t>(pair_count(n)))
        throw std::invalid_argument("one similarity per pair of genes is needed");
    // Clamp to the finite range so that sums stay numbers.
    double lo = 0, hi = 0;
    bool any = false;
    for (double s : similarity)
        if (std::isfinite(s)) {
            lo = any ? std::min(lo, s) : s;
            hi = any ? std::max(hi, s) : s;
            any = true;
        }
    const auto un = static_cast<std::size_t>(n);
    // sum[a * n + b]: the summed similarity between the clusters in slots a
    // and b. A cluster lives in the slot of its smallest gene.
    std::vector<double> sum(un * un, 0.0);
    for (int i = 1; i < n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            double s = similarity[static_cast<std::size_t>(pair_index(i, j, n))];
            if (std::isnan(s) || s == -INFINITY) s = lo;
            if (s == INFINITY) s = hi;
            sum[(i - 1) * un + (j - 1)] = sum[(j - 1) * un + (i - 1)] = s;
        }
    std::vector<std::size_t> size(un, 1);
    std::vector<std::vector<int>> leaves(un);
    for (int g = 0; g < n; ++g) leaves[static_cast<std::size_t>(g)] = {g + 1};
    std::vector<std::size_t> live(un);
    for (std::size_t a = 0; a < un; ++a) live[a] = a;

    while (live.size() > 1) {
        std::size_t best_a = 0, best_b = 1;
        double best = -INFINITY;
        for (std::size_t x = 0; x + 1 < live.size(); ++x)
            for (std::size_t y = x + 1; y < live.size(); ++y) {
                const std::size_t a = live[x], b = live[y];
                const double avg =
                    sum[a * un + b] / (static_cast<double>(size[a]) * static_cast<double>(size[b]));
                if (avg > best) {
                    best = avg;
                    best_a = x;
                    best_b = y;
                }
            }
        const std::size_t a = live[best_a], b = live[best_b];
        for (std::size_t c : live) {
            if (c == a || c == b) continue;
            sum[a * un + c] += sum[b * un + c];
            sum[c * un + a] = sum[a * un + c];
        }
        size[a] += size[b];
        leaves[a].insert(leaves[a].end(), leaves[b].begin(), leaves[b].end());
        leaves[b].clear();
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(best_b));
    }
    return n == 0 ? std::vector<int>{} : leaves[live[0]];
}

}  // namespace coswitch
