#pragma once
// How pairs are shared among ranks: contiguous blocks of the pair order, so
// that each rank finds its streams' states once, at its first pair.
#include <cstdint>
#include <functional>
#include <vector>

namespace coswitch {

// parts + 1 block starts over `count` items of equal cost.
std::vector<std::int64_t> equal_blocks(std::int64_t count, int parts);

// parts + 1 block starts over the items whose estimated costs are given,
// each block as near to an equal share of the total as whole items allow.
std::vector<std::int64_t> cost_blocks(const std::vector<std::int32_t>& cost, int parts);
// The same over `count` items, item n costing cost(n).
std::vector<std::int64_t> cost_blocks(std::int64_t count, const std::function<std::int32_t(std::int64_t)>& cost,
                                      int parts);

}  // namespace coswitch
