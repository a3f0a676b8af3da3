#include "engine/pair_order.hpp"

namespace coswitch {

std::int64_t pair_count(std::int64_t genes) { return genes < 2 ? 0 : genes * (genes - 1) / 2; }

std::int64_t pair_index(int i, int j, int genes) {
    const std::int64_t a = i - 1;
    // Pairs whose first gene comes before i, then the place of j after i.
    return a * genes - a * (a + 1) / 2 + (j - i - 1);
}

GenePair pair_at(std::int64_t n, int genes) {
    // The first gene is the largest i whose first pair is at or before n.
    int lo = 1, hi = genes - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (pair_index(mid, mid + 1, genes) <= n)
            lo = mid;
        else
            hi = mid - 1;
    }
    const std::int64_t first = pair_index(lo, lo + 1, genes);
    return {lo, static_cast<int>(lo + 1 + (n - first))};
}

}  // namespace coswitch
