#include "report/clustering.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

using coswitch::average_linkage_order;

TEST(Clustering, AverageLinkageWorkedByHand) {
    // Five genes, pairs (1,2) (1,3) (1,4) (1,5) (2,3) (2,4) (2,5) (3,4) (3,5) (4,5).
    // NaN counts as the lowest value present, 1. Merges: {1,3} at 9, {2,5} at
    // 8; then {4} is at average 5 from {1,3} (5, 5) and 5 from {2,5} (6, 4):
    // the tie goes to the clusters of the smaller genes, {1,3,4}; then all.
    const std::vector<double> tie = {NAN, 9, 5, 1, 1, 6, 8, 5, 1, 4};
    EXPECT_EQ(average_linkage_order(5, tie), (std::vector<int>{1, 3, 4, 2, 5}));
    // With (1,4) at 4.8, {1,3} is at 4.9 from {4}, below the 5 of {2,5}.
    // Linkage by the largest similarity would give this order in the first
    // case too, linkage by the smallest the first order here.
    const std::vector<double> apart = {NAN, 9, 4.8, 1, 1, 6, 8, 5, 1, 4};
    EXPECT_EQ(average_linkage_order(5, apart), (std::vector<int>{1, 3, 2, 5, 4}));

    // +Inf counts as the highest value present: (1,3) ties with (2,3) at 2 and,
    // coming first, merges first.
    EXPECT_EQ(average_linkage_order(3, {1, INFINITY, 2}), (std::vector<int>{1, 3, 2}));
    // Nothing but NaN: every similarity ties, the order stays.
    EXPECT_EQ(average_linkage_order(4, std::vector<double>(6, NAN)), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(average_linkage_order(1, {}), (std::vector<int>{1}));
    EXPECT_TRUE(average_linkage_order(0, {}).empty());
    EXPECT_THROW(average_linkage_order(3, {1, 2}), std::invalid_argument);
}
