#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
// Four genes, six pairs. Dependence p-values 0.01 0.04 NaN 0.04 0.5 0: m = 5, sorted
// 0 0.01 0.04 0.04 0.5 -> p*m/rank 0 0.025 0.0667 0.05 0.5 -> step-up 0 0.025 0.05 0.05 0.5.
// Correlation p-values 0.25 0.25 0.02 1 0.06 0.25: m = 6, sorted 0.02 0.06 0.25 0.25 0.25 1
// -> 0.12 0.18 0.5 0.375 0.3 1 -> step-up 0.12 0.18 0.3 0.3 0.3 1. Pair (2,4) has a statistic
// too large for its field.
const double kAdjusted[6][2] = {{0.025, 0.3}, {0.05, 0.3}, {NAN, 0.12},
                                {0.05, 1.0},   {0.5, 0.18}, {0.0, 0.3}};
const std::string kWorked =
    std::string(kPvalueHeader) + pvalue_record(1, 2, 12.5, 0.01f, 0.9, 0.25f) +
    pvalue_record(1, 3, 8.25, 0.04f, 0.1, 0.25f) + pvalue_record(1, 4, 7.0, NAN, 0.8, 0.02f) +
    pvalue_record(2, 3, 8.25, 0.04f, 0.05, 1.0f) + pvalue_record(2, 4, 123456.0, 0.5f, 0.7, 0.06f) +
    pvalue_record(3, 4, 30.0, 0.0f, 0.2, 0.25f);

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

// A number as R or pandas reads it: the whole field or nothing.
double strict_number(const std::string& s) {
    if (s == "NaN" || s == "Inf") return s == "NaN" ? NAN : INFINITY;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    EXPECT_TRUE(!s.empty() && s.find(' ') == s.npos && *end == '\0' && std::isfinite(v)) << s;
    return v;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}
}  // namespace

TEST(Summary, WorkedExampleAndItsErrors) {
    ScratchDir d, here;
    write_file(d / "pvalue.txt", kWorked);
    write_file(d / "genes.txt", "CLN2\r\nA&B<1>\r\nSwi5 p\r\nCLB2\r\n\r\n");
    const auto r = run_program(here.path(), "", {"summary", "-C", d.path().string(), "--names", "genes.txt",
                                                 "--top", "5", "--tsv=pairs.tsv", "--svg", "heat.svg"});
    ASSERT_EQ(r.status, 0) << r.err;

    // Ranked by adjusted p, ties in pair order, NaN last and so not shown; names in column order.
    const auto out = split(r.out, '\n');
    std::size_t head = 0;
    while (head < out.size() && out[head].find(" rank") != 0) ++head;
    ASSERT_LT(head + 6, out.size()) << r.out;
    EXPECT_EQ(out[head + 6], " wrote pairs.tsv") << "five rows only";
    const int order[5][2] = {{3, 4}, {1, 2}, {1, 3}, {2, 3}, {2, 4}};
    for (std::size_t k = 0; k < 5; ++k) {
        std::istringstream row(out[head + 1 + k]);
        int rank, i, j;
        row >> rank >> i >> j;
        EXPECT_EQ((std::vector{rank, i, j}), (std::vector{int(k) + 1, order[k][0], order[k][1]}));
        EXPECT_EQ(out[head + 1 + k].size(), out[head].size()) << "aligned";
    }
    EXPECT_NE(out[head + 1].find("Swi5 p  CLB2"), std::string::npos) << out[head + 1];
    EXPECT_NE(r.out.find("top 5 of 6"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 statistic was too large"), std::string::npos) << r.out;

    const auto tsv = split(read_file(d / "pairs.tsv"), '\n');
    ASSERT_EQ(tsv.size(), 7u);
    EXPECT_EQ(tsv[0], "gene1\tgene2\tname1\tname2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh");
    const std::string names[4] = {"CLN2", "A&B<1>", "Swi5 p", "CLB2"};
    const int pairs[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    for (std::size_t k = 0; k < 6; ++k) {
        const auto f = split(tsv[k + 1], '\t');
        ASSERT_EQ(f.size(), 10u) << tsv[k + 1];
        const auto [i, j] = pairs[k];
        EXPECT_EQ(f[0] + "|" + f[1] + "|" + f[2] + "|" + f[3],
                  std::to_string(i) + "|" + std::to_string(j) + "|" + names[i - 1] + "|" + names[j - 1]);
        std::vector<double> v;
        for (std::size_t c = 4; c < 10; ++c) v.push_back(strict_number(f[c]));
        for (auto [got, want] : {std::pair{v[2], kAdjusted[k][0]}, {v[5], kAdjusted[k][1]}}) {
            if (std::isnan(want)) EXPECT_TRUE(std::isnan(got)) << tsv[k + 1];
            else EXPECT_NEAR(got, want, 1e-9) << tsv[k + 1];
        }
    }
    EXPECT_EQ(split(tsv[5], '\t')[4], "Inf");

    // One cell per pair and statistic, names escaped, well-formed.
    const std::string svg = read_file(d / "heat.svg");
    EXPECT_EQ(count(svg, "class=\"dep\""), 6u);
    EXPECT_EQ(count(svg, "class=\"corr\""), 6u);
    EXPECT_NE(svg.find("A&amp;B&lt;1&gt;"), std::string::npos);

    // Existing result files are never overwritten, and nothing else is written then.
    auto again = run_program(d.path(), "", {"summary", "--tsv", "new.tsv", "--svg", "heat.svg"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("heat.svg"), std::string::npos) << again.err;
    EXPECT_EQ(read_file(d / "heat.svg"), svg);
    EXPECT_FALSE(fs::exists(d / "new.tsv"));
    write_file(d / "genes.txt", "a\nb\nc\n");
    again = run_program(d.path(), "", {"summary", "--names", "genes.txt"});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("3 names, expected 4"), std::string::npos) << again.err;

    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint not installed";
    EXPECT_EQ(std::system(("xmllint --noout '" + (d / "heat.svg").string() + "'").c_str()), 0);
}
