#include "report/summary_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/pair_order.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"
#include "report/pvalue_table.hpp"

using namespace coswitch;

namespace {
// The table summary reads for r: its p-values in pair order, adjusted.
PairTable as_table(const PlainPairs& r) {
    PairTable t;
    t.genes = static_cast<int>(r.names.size());
    for (std::int64_t n = 0; n < pair_count(t.genes); ++n) {
        const GenePair g = pair_at(n, t.genes);
        const auto k = static_cast<std::size_t>(n);
        t.rows.push_back({g.i, g.j, r.stat_new[k], pooled_pvalue(r.count_new[k], r.M), std::fabs(r.r[k]),
                          pooled_pvalue(r.count_corr[k], r.M)});
    }
    adjust(t);
    return t;
}

// By dependence as the scan ranks in place; by correlation as the checks do.
std::vector<std::size_t> scan_order(const PlainPairs& plain, RankBy by) {
    std::vector<std::size_t> order;
    PairResults r = pair_results(plain);
    if (by == RankBy::dependence) {
        rank_pairs(r);
        for (const ObservedRecord& rec : r.records) order.push_back(meta_value(rec.meta));
        return order;
    }
    for (const std::int64_t n : ranking_order(r, by)) order.push_back(static_cast<std::size_t>(n));
    return order;
}
}  // namespace

TEST(SummaryText, RanksThePairsAsScanDoesTiesIncluded) {
    PlainPairs r;
    // Names against pair order: (YAL001C HTA1) (YAL001C gene:3) (YAL001C CLB2) (HTA1 gene:3) ...
    r.names = {"YAL001C", "HTA1(x)", "gene:3-b", "CLB2"};
    r.switching = {1, 1, 1, 1};
    r.stat_new = {1, 1, 1, 1, 1, 1};
    r.r = {1, 1, 1, 1, 1, 1};
    r.phase = {1, 1, 1, 1, 1, 1};
    r.M = 1500;
    // Ties of one count broken by the other, ties of both by the names, one pair alone.
    for (const auto& [count_new, count_corr] :
         std::vector<std::pair<std::vector<std::int64_t>, std::vector<std::int64_t>>>{
             {{7, 7, 2, 7, 7, 2}, {9, 3, 9, 9, 9, 9}},
             {{7, 7, 7, 7, 7, 7}, {9, 9, 9, 9, 9, 9}},
             {{0, 40, 40, 1500, 40, 3}, {800, 800, 1, 800, 2, 800}}}) {
        r.count_new = count_new;
        r.count_corr = count_corr;
        const PairTable t = as_table(r);
        for (const RankBy by : {RankBy::dependence, RankBy::correlation})
            EXPECT_EQ(ranking(t, by, r.names), scan_order(r, by)) << count_new[0] << count_corr[1];
        // Without names the gene numbers order the ties: as names that sort like them.
        PlainPairs numbered = r;
        numbered.names = {"g1", "g2", "g3", "g4"};
        EXPECT_EQ(ranking(t, RankBy::dependence), scan_order(numbered, RankBy::dependence));
    }
}
