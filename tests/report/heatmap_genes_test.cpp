#include "report/heatmap_genes.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/pair_order.hpp"
#include "io/text_out.hpp"
#include "report/scan_heatmap.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
// Six genes; the listed pairs pass (count 0 of a large M), the others do not.
PlainPairs six_genes(const std::vector<GenePair>& pass_new, const std::vector<GenePair>& pass_corr) {
    PlainPairs r;
    r.names = {"g1", "g2", "g3", "g4", "g5", "g6"};
    r.switching.assign(6, 1);
    r.M = 1000000;
    const std::size_t pairs = static_cast<std::size_t>(pair_count(6));
    r.count_new.assign(pairs, r.M);
    r.count_corr.assign(pairs, r.M);
    for (const GenePair& g : pass_new) r.count_new[static_cast<std::size_t>(pair_index(g.i, g.j, 6))] = 0;
    for (const GenePair& g : pass_corr) r.count_corr[static_cast<std::size_t>(pair_index(g.i, g.j, 6))] = 0;
    for (std::size_t m = 0; m < pairs; ++m) r.stat_new.push_back(static_cast<double>(m % 4));
    r.r = std::vector<double>(pairs, 0.5);
    r.phase.assign(pairs, 1);
    return r;
}
}  // namespace

TEST(HeatmapGenes, MostPassingPairsByDependenceThenCorrelationThenOrder) {
    // Passing by dependence: gene 5 three pairs, 6 two, 1, 2 and 4 one; by
    // the correlation 3 and 4 one.
    PlainPairs plain = six_genes({{2, 5}, {4, 5}, {5, 6}, {1, 6}}, {{3, 4}});
    PairResults r = pair_results(plain);
    const RankedPairs k = rank_pairs(r);
    EXPECT_EQ(heatmap_genes(r, k), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(heatmap_genes(r, k, 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // 4 wins the tie of one by the correlation, 1 wins against 2 by order;
    // 3 passes by the correlation only.
    EXPECT_EQ(heatmap_genes(r, k, 4), (std::vector<int>{1, 4, 5, 6}));
    EXPECT_EQ(heatmap_genes(r, k, 2), (std::vector<int>{5, 6}));
    // No bootstrap replicates: nothing passes, the first genes stay.
    plain.M = 0;
    plain.count_new.assign(plain.count_new.size(), 0);
    plain.count_corr.assign(plain.count_corr.size(), 0);
    PairResults none = pair_results(plain);
    EXPECT_EQ(heatmap_genes(none, rank_pairs(none), 3), (std::vector<int>{1, 2, 3}));
}

TEST(HeatmapGenes, TheHeatmapOfSomeGenesSaysSoAndKeepsTheRunsAdjustment) {
    ScratchDir d;
    PairResults r = pair_results(six_genes({{2, 5}, {4, 5}, {5, 6}, {1, 6}}, {{3, 4}}));
    const RankedPairs k = rank_pairs(r);
    TextOut out;
    out.create((d / "heatmap.svg").string(), "heatmap.svg");
    write_scan_heatmap(out, r, k, heatmap_genes(r, k, 4));
    out.close();
    const std::string svg = read_file(d / "heatmap.svg");
    EXPECT_NE(svg.find("<title>coswitch scan: 4 of 6 genes: those with the most pairs at adjusted "
                       "p &lt; 0.05</title>"),
              std::string::npos);
    for (const char* name : {">g1<", ">g4<", ">g5<", ">g6<"}) EXPECT_NE(svg.find(name), std::string::npos);
    for (const char* name : {"g2", "g3"}) EXPECT_EQ(svg.find(name), std::string::npos);
    // The 3 drawn pairs that pass, adjusted over the 15 pairs of the run, 4
    // passing: 15 / 4 / (M + 1); not over the 6 drawn, 3 passing (2e-06).
    std::size_t adjusted = 0;
    for (std::size_t at = svg.find("p = 1e-06, adjusted p = 3.75e-06<"); at != std::string::npos;
         at = svg.find("p = 1e-06, adjusted p = 3.75e-06<", at + 1))
        ++adjusted;
    EXPECT_EQ(adjusted, 3u);
    EXPECT_THROW(write_scan_heatmap(out, r, k, {4, 1}), std::invalid_argument);
    EXPECT_THROW(write_scan_heatmap(out, r, k, {5}), std::invalid_argument);
}
