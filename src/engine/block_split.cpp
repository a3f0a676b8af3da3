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
    __int128 total = 0;
    for (std::int32_t c : cost) total += c;
    std::vector<std::int64_t> starts(static_cast<std::size_t>(parts) + 1, 0);
    const auto count = static_cast<std::int64_t>(cost.size());
    starts[static_cast<std::size_t>(parts)] = count;
    // Block r starts at the first item whose preceding cost reaches r/parts
    // of the total: integer arithmetic, so every rank splits alike.
    __int128 before = 0;
    std::int64_t n = 0;
    for (int r = 1; r < parts; ++r) {
        const __int128 share = total * r / parts;
        while (n < count && before + cost[static_cast<std::size_t>(n)] <= share)
            before += cost[static_cast<std::size_t>(n++)];
        starts[static_cast<std::size_t>(r)] = n;
    }
    return starts;
}

}  // namespace coswitch
