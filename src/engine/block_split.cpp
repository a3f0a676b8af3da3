#include "engine/block_split.hpp"

namespace coswitch {

std::vector<std::int64_t> equal_blocks(std::int64_t count, int parts) {
    std::vector<std::int64_t> starts(static_cast<std::size_t>(parts) + 1);
    for (int r = 0; r <= parts; ++r)
        starts[static_cast<std::size_t>(r)] =
            static_cast<std::int64_t>(static_cast<__int128>(count) * r / parts);
    return starts;
}

std::vector<std::int64_t> cost_blocks(const std::vector<std::int32_t>& cost, int parts) {
    return cost_blocks(static_cast<std::int64_t>(cost.size()),
                       [&](std::int64_t n) { return cost[static_cast<std::size_t>(n)]; }, parts);
}

std::vector<std::int64_t> cost_blocks(std::int64_t count, const std::function<std::int32_t(std::int64_t)>& cost,
                                      int parts) {
    __int128 total = 0;
    for (std::int64_t n = 0; n < count; ++n) total += cost(n);
    std::vector<std::int64_t> starts(static_cast<std::size_t>(parts) + 1, 0);
    starts[static_cast<std::size_t>(parts)] = count;
    // Block r starts after the items whose cost lies mostly before r/parts of
    // the total (an item goes to the side holding more than half of it):
    // integer arithmetic, so every rank splits alike.
    __int128 before = 0;
    std::int64_t n = 0;
    for (int r = 1; r < parts; ++r) {
        const __int128 share = total * r / parts;
        while (n < count && 2 * before + cost(n) <= 2 * share) before += cost(n++);
        starts[static_cast<std::size_t>(r)] = n;
    }
    return starts;
}

}  // namespace coswitch
