#include "engine/block_split.hpp"

#include <gtest/gtest.h>

namespace coswitch {
namespace {

TEST(BlockSplit, ContiguousBlocksOfAboutEqualCost) {
    EXPECT_EQ(equal_blocks(10, 3), (std::vector<std::int64_t>{0, 3, 6, 10}));
    EXPECT_EQ(equal_blocks(2, 4), (std::vector<std::int64_t>{0, 0, 1, 1, 2}));  // ranks without pairs
    EXPECT_EQ(equal_blocks(0, 2), (std::vector<std::int64_t>{0, 0, 0}));

    // Equal costs split as equal counts do.
    EXPECT_EQ(cost_blocks(std::vector<std::int32_t>(10, 5), 2), (std::vector<std::int64_t>{0, 5, 10}));
    // Costs 1 1 1 1 8 | 1 1 1 1 1 1 1 ... : total 20; the first half (10) ends
    // after the 8, whatever the count of cheap items after it.
    std::vector<std::int32_t> cost = {1, 1, 1, 1, 8, 1, 1, 1, 1, 1, 1, 1, 1};
    const auto b = cost_blocks(cost, 2);
    EXPECT_EQ(b, (std::vector<std::int64_t>{0, 5, 13}));
    // More parts than items: some blocks are empty, all items are covered once.
    const auto many = cost_blocks({4, 4}, 5);
    ASSERT_EQ(many.size(), 6u);
    EXPECT_EQ(many.front(), 0);
    EXPECT_EQ(many.back(), 2);
    for (std::size_t k = 1; k < many.size(); ++k) EXPECT_LE(many[k - 1], many[k]);
}

}  // namespace
}  // namespace coswitch
