#include "engine/pair_order.hpp"

#include <gtest/gtest.h>

namespace coswitch {
namespace {

TEST(PairOrder, IndexAndPairAgreeWithTheNestedLoop) {
    for (int genes : {0, 1, 2, 3, 4, 7, 60}) {
        std::int64_t n = 0;
        GenePair walk{1, 2};
        for (int i = 1; i <= genes - 1; ++i)
            for (int j = i + 1; j <= genes; ++j, ++n) {
                ASSERT_EQ(pair_index(i, j, genes), n);
                const GenePair p = pair_at(n, genes);
                ASSERT_EQ(p.i, i);
                ASSERT_EQ(p.j, j);
                ASSERT_EQ(walk.i, i);
                ASSERT_EQ(walk.j, j);
                walk = next_pair(walk, genes);
            }
        EXPECT_EQ(pair_count(genes), n);
    }
    // Far beyond 32-bit pair counts.
    const int g = 200000;
    const std::int64_t last = pair_count(g) - 1;
    EXPECT_EQ(last, 19999899999LL);
    EXPECT_EQ(pair_at(last, g).i, g - 1);
    EXPECT_EQ(pair_at(last, g).j, g);
    EXPECT_EQ(pair_index(12345, 67890, g), pair_index(12345, 12346, g) + 67890 - 12346);
    const GenePair p = pair_at(pair_index(12345, 67890, g), g);
    EXPECT_EQ(p.i, 12345);
    EXPECT_EQ(p.j, 67890);
}

}  // namespace
}  // namespace coswitch
