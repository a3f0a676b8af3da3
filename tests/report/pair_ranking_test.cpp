#include "report/pair_ranking.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

using namespace coswitch;

namespace {
using Order = std::vector<std::int64_t>;

// Four genes, six pairs in pair order (1,2) (1,3) (1,4) (2,3) (2,4) (3,4).
PairResults four_genes() {
    PairResults r;
    r.names = {"a", "b", "c", "d"};
    r.stat_new = {5.0, NAN, 9.0, INFINITY, 5.0, 7.0};
    r.count_new = {3, 3, 0, 0, 3, 3};
    r.stat_corr = {0.5, 0.9, 0.1, 0.5, NAN, 0.2};
    r.count_corr = {2, 1, 8, 2, 10, 6};
    r.M = 10;
    return r;
}
}  // namespace

TEST(Ranking, CountThenStatisticThenPairOrderNaNLowest) {
    PairResults r = four_genes();
    // Count 0: Inf before 9. Count 3: 7, then the two 5s in pair order, then NaN.
    EXPECT_EQ(ranking_order(r.stat_new, r.count_new, r.M), (Order{3, 2, 5, 0, 4, 1}));
    // By the correlation: counts 1, 2 (tie: 0.5 and 0.5 in pair order), 6, 8, 10.
    const RankedPairs byc = rank_pairs(r, RankBy::correlation);
    EXPECT_EQ(byc.order, (Order{1, 0, 3, 5, 2, 4}));
    EXPECT_EQ(byc.by, RankBy::correlation);

    // Without replicates every p-value is NaN: the statistic alone decides,
    // whatever the counts hold.
    r.M = 0;
    EXPECT_EQ(ranking_order(r.stat_new, r.count_corr, 0), (Order{3, 2, 5, 0, 4, 1}));
    r.count_new = r.count_corr = {0, 0, 0, 0, 0, 0};
    const RankedPairs k = rank_pairs(r);
    EXPECT_EQ(k.order, (Order{3, 2, 5, 0, 4, 1}));
    for (double q : k.bh_new) EXPECT_TRUE(std::isnan(q));

    EXPECT_TRUE(ranking_order({}, {}, 5).empty());
}

TEST(Ranking, AdjustsBothStatisticsAndRejectsMisshapenResults) {
    PairResults r = four_genes();
    const RankedPairs k = rank_pairs(r);
    // Dependence p 0.3 0.3 0 0 0.3 0.3, m = 6: the four 0.3 share 0.3 * 6 / 6.
    const std::vector<double> want_new = {0.3, 0.3, 0, 0, 0.3, 0.3};
    // Correlation p 0.2 0.1 0.8 0.2 1 0.6: sorted 0.1 0.2 0.2 0.6 0.8 1 give
    // 0.6 0.6 0.4 0.9 0.96 1, stepped up 0.4 0.4 0.4 0.9 0.96 1.
    const std::vector<double> want_corr = {0.4, 0.4, 0.96, 0.4, 1.0, 0.9};
    for (std::size_t n = 0; n < 6; ++n) {
        EXPECT_NEAR(k.bh_new[n], want_new[n], 1e-15) << n;
        EXPECT_NEAR(k.bh_corr[n], want_corr[n], 1e-15) << n;
    }

    auto bad = [](auto change) {
        PairResults b = four_genes();
        change(b);
        EXPECT_THROW(rank_pairs(b), std::invalid_argument);
    };
    bad([](PairResults& b) { b.names.pop_back(); });
    bad([](PairResults& b) { b.count_corr.pop_back(); });
    bad([](PairResults& b) { b.count_new[2] = 11; });
    bad([](PairResults& b) { b.count_corr[0] = -1; });
}
