#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/errors.hpp"
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/pairs_tsv.hpp"
#include "report/scan_summary.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Pair order (1,2) (1,3) (1,4) (2,3) (2,4) (3,4); ids with characters tables allow.
// Dependence p = (count + 1) / 1501: 3 901 1 3 1501 901 over 1501; p*6/rank
// at each tie's last rank 0.0040, 0.0040, 0.72, 1. Correlation p 4 1201 5
// 1401 81 1001 over 1501: sorted, p*6/rank 0.0160 0.0100 0.108 1.0 0.96
// 0.933, stepped up 0.0100 0.0100 0.108 0.933 0.933 0.933.
PlainPairs example() {
    PlainPairs r;
    r.names = {"YAL001C", "HTA1(x)", "gene:3-b", "CLB2"};
    r.switching = {1, 0, 1, 1};
    r.stat_new = {12.5, 3.25, INFINITY, 7.0, NAN, 3.25};
    r.count_new = {2, 900, 0, 2, 1500, 900};
    r.r = {0.9, -0.1, 0.8, -0.05, 0.7, 0.2};
    r.phase = {1, -1, 1, 0, -1, 1};
    r.count_corr = {3, 1200, 4, 1400, 80, 1000};
    r.M = 1500;
    return r;
}
}  // namespace

TEST(ScanReport, PairsTsvRankedWithExactPValueText) {
    ScratchDir d;
    PairResults r = pair_results(example());
    const RankedPairs k = rank_pairs(r);
    TextOut out;
    out.create((d / "pairs.tsv").string(), "pairs.tsv");
    write_pairs_tsv(out, r, k);
    out.close();
    const auto lines = lines_of(read_file(d / "pairs.tsv"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0] + "\n", kPairsHeader);
    // Count 0 first; count 2: the correlation's count orders the tie; count
    // 900: likewise, against pair order; the NaN statistic last. Equal
    // counts, equal text; no p-value is 0; adjusted values to 6 digits.
    EXPECT_EQ(lines[1], "1\tYAL001C\tCLB2\tInf\t0.0006662225183211193\t0.00399734\t"
                        "0.80000000\t0.0033311125916055963\t0.00999334\t0.80000000\t"
                        "in\tyes\tyes");
    EXPECT_EQ(lines[2], "2\tYAL001C\tHTA1(x)\t12.50000000\t0.001998667554963358\t"
                        "0.00399734\t0.90000000\t0.002664890073284477\t"
                        "0.00999334\t0.90000000\tin\tyes\tno");
    EXPECT_EQ(lines[3], "3\tHTA1(x)\tgene:3-b\t7.00000000\t0.001998667554963358\t"
                        "0.00399734\t0.05000000\t0.9333777481678881\t"
                        "0.933378\t-0.05000000\tNA\tno\tyes");
    EXPECT_EQ(lines[4].substr(0, 16), "4\tgene:3-b\tCLB2\t");
    EXPECT_EQ(lines[5].substr(0, 19), "5\tYAL001C\tgene:3-b\t");
    EXPECT_EQ(lines[6], "6\tHTA1(x)\tCLB2\tNaN\t1\t1\t0.70000000\t0.05396402398401066\t"
                        "0.107928\t0.70000000\tanti\tno\tyes");

    // An id that would break the table stops the writer before any row.
    PlainPairs odd = example();
    odd.names[2] = "two\twords";
    PairResults bad = pair_results(odd);
    TextOut none;
    none.create((d / "bad.tsv").string(), "bad.tsv");
    try {
        write_pairs_tsv(none, bad, k);
        ADD_FAILURE() << "a tab in an id";
    } catch (const RunError& e) {
        EXPECT_EQ(std::string(e.what()), "bad.tsv: cannot hold the gene id \"two\twords\": it has a tab or a line break");
    }
    none.close();
    EXPECT_EQ(read_file(d / "bad.tsv"), "");
}

TEST(ScanReport, SummaryCountsAndTopPairsByName) {
    PairResults r = pair_results(example());
    const std::string text = scan_summary(r, rank_pairs(r), 3);
    const auto lines = lines_of(text);
    // The counts of genes and pairs are the input summary's, said once there.
    ASSERT_EQ(lines.size(), 7u) << text;
    for (const std::string& l : lines) EXPECT_EQ(l[0], ' ') << l;
    EXPECT_EQ(text.find("genes kept"), std::string::npos) << text;
    EXPECT_EQ(text.find("gene pairs"), std::string::npos) << text;
    EXPECT_EQ(lines[0], " p-values: (count + 1) / (M + 1) over M = 1500 pooled null values; "
                        "none can be below 0.0006662");
    EXPECT_NE(lines[1].find("below 0.05: 3 by the dependence statistic, 2 by the correlation"),
              std::string::npos) << text;
    EXPECT_EQ(lines[2], " top 3 pairs by dependence p-value:") << text;
    EXPECT_NE(lines[3].find("p_corr_bh  phase"), std::string::npos) << text;
    EXPECT_NE(lines[4].find("YAL001C  CLB2"), std::string::npos) << text;
    EXPECT_EQ(lines[4].substr(lines[4].size() - 4), "  in") << text;
    EXPECT_NE(lines[6].find("HTA1(x)  gene:3-b"), std::string::npos) << text;
    EXPECT_EQ(lines[6].substr(lines[6].size() - 4), "  NA") << text;
    EXPECT_EQ(lines[4].size(), lines[3].size()) << "aligned";

    // Without replicates there is no p-value to count; with one gene no pair.
    PlainPairs plain_none = example();
    plain_none.M = 0;
    plain_none.count_new = plain_none.count_corr = std::vector<std::int64_t>(6, 0);
    PairResults none = pair_results(plain_none);
    const std::string t0 = scan_summary(none, rank_pairs(none));
    EXPECT_NE(t0.find(" no bootstrap replicates: every p-value is NaN\n top 6 pairs"), std::string::npos) << t0;
    PlainPairs plain_one;
    plain_one.names = {"solo"};
    plain_one.switching = {0};
    PairResults one = pair_results(plain_one);
    EXPECT_EQ(scan_summary(one, rank_pairs(one)), "");
}

TEST(ScanReport, RankingByEitherStatisticAndWithoutReplicates) {
    PlainPairs r = example();
    EXPECT_EQ(ranking_order(pair_results(r), RankBy::correlation), (std::vector<std::int64_t>{0, 2, 4, 5, 1, 3}));
    // Without replicates every p-value is NaN and the statistics decide,
    // whatever the counts hold: ties on 3.25 by the correlation, NaN last.
    r.M = 0;
    EXPECT_EQ(ranking_order(pair_results(r), RankBy::dependence), (std::vector<std::int64_t>{2, 0, 3, 5, 1, 4}));
    // Ties of both counts: the gene names, not the pair order, decide.
    r = example();
    r.count_new = std::vector<std::int64_t>(6, 7);
    r.count_corr = std::vector<std::int64_t>(6, 9);
    // (YAL001C HTA1(x)) (YAL001C gene:3-b) (YAL001C CLB2) (HTA1(x) gene:3-b) (HTA1(x) CLB2) (gene:3-b CLB2)
    EXPECT_EQ(ranking_order(pair_results(r), RankBy::dependence), (std::vector<std::int64_t>{4, 3, 2, 0, 1, 5}));
    r = example();
    // Results that do not fit their genes are a fault of the caller.
    for (int fault = 0; fault < 6; ++fault) {
        PlainPairs b = r;
        if (fault == 0) b.names.pop_back();
        if (fault == 1) b.count_corr.pop_back();
        if (fault == 2) b.count_new[2] = 1501;
        if (fault == 3) b.count_corr[0] = -1;
        if (fault == 4) b.phase.pop_back();
        if (fault == 5) b.switching.pop_back();
        EXPECT_THROW(pair_results(b), std::invalid_argument) << fault;
    }
}
