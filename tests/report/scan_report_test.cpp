#include <zlib.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
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

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

// Four genes, ids with the characters tables allow; pair order
// (1,2) (1,3) (1,4) (2,3) (2,4) (3,4).
PairResults example() {
    PairResults r;
    r.names = {"YAL001C", "HTA1(x)", "gene:3-b", "CLB2"};
    r.stat_new = {12.5, 3.25, INFINITY, 7.0, NAN, 3.25};
    r.count_new = {2, 900, 0, 2, 1500, 900};
    r.stat_corr = {0.9, 0.1, 0.8, 0.05, 0.7, 0.2};
    r.count_corr = {3, 1200, 4, 1400, 80, 1000};
    r.M = 1500;
    return r;
}

std::string gunzip(const std::string& path) {
    gzFile f = gzopen(path.c_str(), "rb");
    std::string text;
    char buf[4096];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    gzclose(f);
    return text;
}

}  // namespace

TEST(PairsTsv, RankedRowsWithExactPValueText) {
    ScratchDir d;
    const PairResults r = example();
    const RankedPairs k = rank_pairs(r);
    for (bool gz : {false, true}) {
        TextOut out;
        out.create((d / (gz ? "pairs.tsv.gz" : "pairs.tsv")).string(), "pairs.tsv", gz);
        write_pairs_tsv(out, r, k);
        out.close();
    }
    const std::string text = read_file(d / "pairs.tsv");
    EXPECT_EQ(gunzip((d / "pairs.tsv.gz").string()), text);

    const auto lines = split(text, '\n');
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0] + "\n", kPairsHeader);
    // Count 0 (Inf), then count 2 with 12.5 before 7, then the tie on
    // count 900 and 3.25 in pair order, then the NaN statistic.
    // Dependence p 0, 2/1500 twice, 0.6 twice, 1: p*6/rank at each tie's last
    // rank 0, 0.00267, 0.72, 1. Correlation p in pair order 0.002 0.8 0.00267
    // 0.933 0.0533 0.667: sorted, p*6/rank 0.012 0.008 0.107 1 0.96 0.933,
    // stepped up 0.008 0.008 0.107 0.933 0.933 0.933.
    EXPECT_EQ(lines[1], "1\tYAL001C\tCLB2\tInf\t0\t0\t0.80000000\t0.0026666666666666666\t0.008");
    EXPECT_EQ(lines[2], "2\tYAL001C\tHTA1(x)\t12.50000000\t0.0013333333333333333\t"
                        "0.0026666666666666666\t0.90000000\t0.002\t0.008");
    EXPECT_EQ(lines[6], "6\tHTA1(x)\tCLB2\tNaN\t1\t1\t0.70000000\t0.05333333333333334\t"
                        "0.10666666666666667");
    const int want[6][2] = {{1, 4}, {1, 2}, {2, 3}, {1, 3}, {3, 4}, {2, 4}};
    std::vector<std::vector<std::string>> rows;
    for (std::size_t k2 = 1; k2 < lines.size(); ++k2) {
        rows.push_back(split(lines[k2], '\t'));
        ASSERT_EQ(rows.back().size(), 9u) << lines[k2];
        EXPECT_EQ(rows.back()[0], std::to_string(k2));
        EXPECT_EQ(rows.back()[1], r.names[static_cast<std::size_t>(want[k2 - 1][0] - 1)]);
        EXPECT_EQ(rows.back()[2], r.names[static_cast<std::size_t>(want[k2 - 1][1] - 1)]);
    }
    // Equal counts, equal text: (1,2) and (2,3) share count 2 of the dependence.
    EXPECT_EQ(rows[1][4], rows[2][4]);
    EXPECT_NE(rows[1][7], rows[2][7]);

    // A gene id that would break the table stops the writer before any row.
    PairResults bad = example();
    bad.names[2] = "two\twords";
    TextOut out;
    out.create((d / "bad.tsv").string(), "bad.tsv");
    try {
        write_pairs_tsv(out, bad, k);
        ADD_FAILURE() << "accepted a tab in an id";
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitInput);
        EXPECT_NE(std::string(e.what()).find("two\twords"), std::string::npos);
    }
    out.close();
    EXPECT_EQ(read_file(d / "bad.tsv"), "");
}

TEST(ScanSummary, CountsBelowTheLevelAndTopPairsByName) {
    const PairResults r = example();
    const RankedPairs k = rank_pairs(r);
    const std::string text = scan_summary(r, k, 3);
    const auto lines = split(text, '\n');
    for (const std::string& l : lines) EXPECT_EQ(l.rfind(' ', 0), 0u) << l;
    EXPECT_NE(text.find("genes kept: 4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("gene pairs: 6\n"), std::string::npos) << text;
    // Adjusted dependence 0 0.00267 0.00267 0.72 0.72 1; correlation 0.008 0.008 0.107 ...
    EXPECT_NE(text.find("below 0.05: 3 by the dependence statistic, 2 by the correlation"),
              std::string::npos)
        << text;
    ASSERT_EQ(lines.size(), 8u) << text;
    EXPECT_EQ(lines[4].substr(0, 20), " rank  gene1    gene");
    EXPECT_NE(lines[5].find("YAL001C  CLB2"), std::string::npos) << lines[5];
    EXPECT_NE(lines[7].find("HTA1(x)  gene:3-b"), std::string::npos) << lines[7];
    EXPECT_EQ(lines[5].size(), lines[4].size()) << "aligned";

    // Without replicates: no p-values, no count below the level.
    PairResults none = example();
    none.M = 0;
    none.count_new = none.count_corr = std::vector<std::int64_t>(6, 0);
    const std::string t0 = scan_summary(none, rank_pairs(none));
    EXPECT_NE(t0.find("every p-value is NaN"), std::string::npos) << t0;
    EXPECT_EQ(t0.find("below 0.05"), std::string::npos) << t0;
    EXPECT_NE(t0.find("top 6 pairs"), std::string::npos) << t0;

    // One gene: nothing to rank.
    PairResults one;
    one.names = {"solo"};
    EXPECT_EQ(scan_summary(one, rank_pairs(one)), " genes kept: 1\n gene pairs: 0\n");
}
