#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run/errors.hpp"
#include "run/result_files.hpp"
#include "run/summary_report.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

const float kNaNf = std::nanf("");

// Four genes, six pairs. Dependence p-values 0.01 0.04 NaN 0.04 0.5 0: m = 5,
// sorted 0 0.01 0.04 0.04 0.5 -> p*m/rank 0 0.025 0.0667 0.05 0.5 -> step-up
// 0 0.025 0.05 0.05 0.5. Correlation p-values 0.25 0.25 0.02 1 0.06 0.25: m = 6,
// sorted 0.02 0.06 0.25 0.25 0.25 1 -> 0.12 0.18 0.5 0.375 0.3 1 -> step-up
// 0.12 0.18 0.3 0.3 0.3 1. Pair (2,4) has a statistic too large for its field.
// Every p-value here survives the single precision and 8 decimals of the file.
struct Expected {
    int i, j;
    double new_bh, corr_bh;
};
const Expected kExpected[6] = {{1, 2, 0.025, 0.3}, {1, 3, 0.05, 0.3}, {1, 4, NAN, 0.12},
                               {2, 3, 0.05, 1.0},  {2, 4, 0.5, 0.18}, {3, 4, 0.0, 0.3}};

std::string worked_pvalue_file() {
    return std::string(kPvalueHeader) + pvalue_record(1, 2, 12.5, 0.01f, 0.9, 0.25f) +
           pvalue_record(1, 3, 8.25, 0.04f, 0.1, 0.25f) +
           pvalue_record(1, 4, 7.0, kNaNf, 0.8, 0.02f) +
           pvalue_record(2, 3, 8.25, 0.04f, 0.05, 1.0f) +
           pvalue_record(2, 4, 123456.0, 0.5f, 0.7, 0.06f) +
           pvalue_record(3, 4, 30.0, 0.0f, 0.2, 0.25f);
}

void same_or_both_nan(double got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what;
    else
        EXPECT_NEAR(got, want, 1e-9) << what;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        f.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return f;
        start = tab + 1;
    }
}

// A number as R or pandas reads it, the whole field or nothing.
bool strict_number(const std::string& s, double& v) {
    if (s == "NaN") return v = NAN, true;
    if (s == "Inf") return v = INFINITY, true;
    if (s.empty() || s.find_first_of(" \t") != std::string::npos) return false;
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

bool have_xmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

TEST(SummaryParse, ReadsAnalysisRecordsAndRejectsDamage) {
    PairTable t = parse_pvalues(worked_pvalue_file(), "pvalue.txt");
    ASSERT_EQ(t.rows.size(), 6u);
    EXPECT_EQ(t.genes, 4);
    EXPECT_EQ(t.too_large, 1);
    EXPECT_TRUE(std::isinf(t.rows[4].stat_new));
    EXPECT_TRUE(std::isnan(t.rows[2].p_new));
    EXPECT_DOUBLE_EQ(t.rows[0].stat_new, 12.5);
    EXPECT_DOUBLE_EQ(t.rows[0].p_new, 0.01);
    adjust(t);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(t.rows[k].i, kExpected[k].i);
        same_or_both_nan(t.rows[k].p_new_bh, kExpected[k].new_bh, "new " + std::to_string(k));
        same_or_both_nan(t.rows[k].p_corr_bh, kExpected[k].corr_bh, "corr " + std::to_string(k));
    }
    // Ranked by adjusted p, tie (1,3)/(2,3) in pair order, NaN last.
    const std::vector<std::size_t> order = ranking(t);
    EXPECT_EQ(order, (std::vector<std::size_t>{5, 0, 1, 3, 4, 2}));

    // CR LF, "Infinity" and a missing header are fine.
    t = parse_pvalues("  1  2  Infinity  NaN  0.5  0.25\r\n", "p");
    EXPECT_TRUE(std::isinf(t.rows[0].stat_new));

    auto fails = [](const std::string& text, const std::string& words) {
        try {
            parse_pvalues(text, "pvalue.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const RunError& e) {
            EXPECT_EQ(e.status, kExitInput);
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    };
    fails(kPvalueHeader, "no gene pairs");
    fails(std::string(kPvalueHeader) + " 1 2 3.0 0.5 0.1\n", "pvalue.txt:2: expected 6 fields");
    fails(" 2 2 3.0 0.5 0.1 0.2\n", "smaller gene first");
    fails(" 1 2 3.0 1.5 0.1 0.2\n", "not a p-value");
    fails(" 1 2 3.0 0.5 x 0.2\n", "\"x\"");
    fails(" 1 2 3 0.5 0.1 0.2\n 1 2 3 0.5 0.1 0.2\n", "(1, 2) appears twice");
}

TEST(SummaryParse, NamesFile) {
    const auto names = parse_names("CLN2\r\n Swi5 p \r\nA&B\r\n\r\n\n", "genes.txt", 3);
    EXPECT_EQ(names, (std::vector<std::string>{"CLN2", "Swi5 p", "A&B"}));
    try {
        parse_names("a\nb\n", "genes.txt", 3);
        ADD_FAILURE();
    } catch (const RunError& e) {
        EXPECT_NE(std::string(e.what()).find("2 names, expected 3"), std::string::npos) << e.what();
    }
    EXPECT_THROW(parse_names("a\n\nb\n", "genes.txt", 3), RunError);      // a gap
    EXPECT_THROW(parse_names("a\nb\tc\nd\n", "genes.txt", 3), RunError);  // a tab
    EXPECT_THROW(parse_names("a\nb\xff\nd\n", "genes.txt", 3), RunError);  // not UTF-8
}

TEST(Summary, TableTsvAndSvgOfAWorkedExample) {
    ScratchDir d;
    write_file(d / "pvalue.txt", worked_pvalue_file());
    write_file(d / "genes.txt", "CLN2\r\nA&B<1>\r\nSwi5 p\r\nCLB2\r\n\r\n");
    const auto r = run_program(d.path(), "",
                               {"summary", "--names", "genes.txt", "--tsv=pairs.tsv", "--svg",
                                "heat.svg"});
    ASSERT_EQ(r.status, 0) << r.err;

    // The table: pairs in rank order, names in column order, aligned.
    const auto out = lines_of(r.out);
    std::size_t head = 0;
    while (head < out.size() && out[head].find(" rank") != 0) ++head;
    ASSERT_LT(head + 6, out.size()) << r.out;
    const int order[6][2] = {{3, 4}, {1, 2}, {1, 3}, {2, 3}, {2, 4}, {1, 4}};
    for (int k = 0; k < 6; ++k) {
        std::istringstream row(out[head + 1 + static_cast<std::size_t>(k)]);
        int rank, i, j;
        row >> rank >> i >> j;
        EXPECT_EQ(rank, k + 1);
        EXPECT_EQ(i, order[k][0]);
        EXPECT_EQ(j, order[k][1]);
        EXPECT_EQ(out[head + 1 + static_cast<std::size_t>(k)].size(), out[head].size());
    }
    EXPECT_NE(out[head + 1].find("Swi5 p  CLB2"), std::string::npos) << out[head + 1];
    EXPECT_NE(out[head + 5].find("A&B<1>"), std::string::npos);
    EXPECT_NE(r.out.find("1 statistic was too large"), std::string::npos) << r.out;
    for (const auto& line : out) EXPECT_EQ(line.substr(0, 1), " ") << line;

    // The TSV: a strict parse, every pair, hand-computed adjusted values.
    const auto tsv = lines_of(read_file(d / "pairs.tsv"));
    ASSERT_EQ(tsv.size(), 7u);
    EXPECT_EQ(tsv[0],
              "gene1\tgene2\tname1\tname2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh");
    const std::vector<std::string> names = {"CLN2", "A&B<1>", "Swi5 p", "CLB2"};
    for (std::size_t k = 1; k < tsv.size(); ++k) {
        const auto f = split_tabs(tsv[k]);
        ASSERT_EQ(f.size(), 10u) << tsv[k];
        std::vector<double> v(10);
        for (std::size_t c : {0u, 1u, 4u, 5u, 6u, 7u, 8u, 9u})
            EXPECT_TRUE(strict_number(f[c], v[c])) << "field " << c << " of " << tsv[k];
        const Expected& e = kExpected[k - 1];
        EXPECT_EQ(v[0], e.i);
        EXPECT_EQ(v[1], e.j);
        EXPECT_EQ(f[2], names[static_cast<std::size_t>(e.i - 1)]);
        EXPECT_EQ(f[3], names[static_cast<std::size_t>(e.j - 1)]);
        same_or_both_nan(v[6], e.new_bh, tsv[k]);
        same_or_both_nan(v[9], e.corr_bh, tsv[k]);
    }
    EXPECT_EQ(split_tabs(tsv[5])[4], "Inf");

    // The heatmap: well-formed, one cell per pair and statistic, names escaped.
    const std::string svg = read_file(d / "heat.svg");
    EXPECT_EQ(count(svg, "class=\"dep\""), 6u);
    EXPECT_EQ(count(svg, "class=\"corr\""), 6u);
    EXPECT_EQ(count(svg, "class=\"diag\""), 4u);
    EXPECT_NE(svg.find("A&amp;B&lt;1&gt;"), std::string::npos);
    EXPECT_NE(svg.find("4 genes, 6 gene pairs"), std::string::npos);
    EXPECT_NE(svg.find("p = 0 (below 1/M)"), std::string::npos);
    if (!have_xmllint()) GTEST_SKIP() << "xmllint not installed (scripts/install-deps.sh)";
    const std::string cmd = "xmllint --noout '" + (d / "heat.svg").string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(Summary, ErrorsLeaveNothingBehind) {
    ScratchDir d;
    write_file(d / "pvalue.txt", worked_pvalue_file());
    write_file(d / "genes.txt", "a\nb\nc\n");
    auto r = run_program(d.path(), "", {"summary", "--names", "genes.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("3 names, expected 4"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    write_file(d / "heat.svg", "old");
    r = run_program(d.path(), "", {"summary", "--tsv", "new.tsv", "--svg", "heat.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("heat.svg"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(d / "heat.svg"), "old");
    EXPECT_FALSE(fs::exists(d / "new.tsv"));

    r = run_program(d.path(), "", {"summary", "--colour", "red"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --colour"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos);
    r = run_program(d.path(), "", {"summary", "--top", "-1"});
    EXPECT_EQ(r.status, 2);
    ScratchDir empty;
    r = run_program(empty.path(), "", {"summary"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("pvalue.txt: file not found"), std::string::npos) << r.err;
    r = run_program(empty.path(), "", {"summary", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--names FILE"), std::string::npos);
}

TEST(Summary, FromARealRunInAnotherDirectory) {
    ScratchDir d, here;
    write_synthetic_inputs(d.path(), 6, 2, 4, false);
    auto r = run_program(d.path(), "",
                         {"--mode", "G", "--time-points", "6", "--replicates", "2", "--bootstrap",
                          "3", "--genes", "4", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(here.path(), "",
                    {"summary", "-C", d.path().string(), "--top", "2", "--tsv", "t.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("6 gene pairs of 4 genes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("top 2 of 6"), std::string::npos) << r.out;
    EXPECT_EQ(lines_of(read_file(d / "t.tsv")).size(), 7u);
    EXPECT_FALSE(fs::exists(here / "t.tsv"));
}
