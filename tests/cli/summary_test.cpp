#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <algorithm>
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
    EXPECT_EQ(occurrences(svg, "class=\"dep\""), 6u);
    EXPECT_EQ(occurrences(svg, "class=\"corr\""), 6u);
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

namespace {
const std::string kHeader =
    "    Gene1    Gene2    observed stat new    newpvalue    observed stat corr    corrpvalue\n";
// A pvalue.txt record with the fields as written, each right-justified in its column.
std::string record(int i, int j, const std::string& stat, const std::string& p,
                   const std::string& corr, const std::string& pc) {
    auto field = [](const std::string& s, std::size_t w) {
        return std::string(s.size() < w ? w - s.size() : 1, ' ') + s;
    };
    return "    " + field(std::to_string(i), 6) + "    " + field(std::to_string(j), 6) + "    " +
           field(stat, 14) + "    " + field(p, 14) + "    " + field(corr, 14) + "    " + field(pc, 14) +
           "\n";
}
}  // namespace

TEST(Summary, TsvDigitsAndRankingOfTiedAdjustedValues) {
    // Worked by hand. Dependence p 0.125 0 1 (m = 3): ranks 2 1 3, p*m/rank 0.1875 0 1.
    // Correlation p 0.75 NaN 0.06666667 (m = 2): 0.75*2/2 = 0.75, 0.06666667*2/1 = 0.13333334.
    ScratchDir d;
    write_file(d / "pvalue.txt", kHeader + record(1, 2, "3.14159265", "0.12500000", "0.33333333", "0.75000000") +
                                     record(1, 3, "**************", "0.00000000", "0.50000000", "NaN") +
                                     record(2, 3, "0.00000001", "1.00000000", "1.00000000", "0.06666667"));
    auto r = run_program(d.path(), "", {"summary", "--tsv", "t.tsv", "--top", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(d / "t.tsv"),
              "gene1\tgene2\tname1\tname2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\n"
              "1\t2\t1\t2\t3.14159265\t0.12500000\t0.1875\t0.33333333\t0.75000000\t0.75\n"
              "1\t3\t1\t3\tInf\t0.00000000\t0\t0.50000000\tNaN\tNaN\n"
              "2\t3\t2\t3\t0.00000001\t1.00000000\t1\t1.00000000\t0.06666667\t0.13333334\n");

    // p 0.25 0.125 0.75 (m = 3): 0.375 0.375 0.75. The tie goes to the smaller raw p-value,
    // against pair order.
    ScratchDir e;
    write_file(e / "pvalue.txt", kHeader + record(1, 2, "5.00000000", "0.25000000", "0.10000000", "0.50000000") +
                                     record(1, 3, "6.00000000", "0.12500000", "0.20000000", "0.50000000") +
                                     record(2, 3, "1.00000000", "0.75000000", "0.30000000", "0.50000000"));
    r = run_program(e.path(), "", {"summary"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = split(r.out, '\n');
    const auto head = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find(" rank") == 0; });
    ASSERT_LE(head + 4, lines.end()) << r.out;
    EXPECT_EQ(*head, " rank  gene1  gene2  stat_new     p_new  p_new_bh  stat_corr    p_corr  p_corr_bh");
    EXPECT_EQ(head[1], "    1      1      3    6.0000  0.125000  0.375000     0.2000  0.500000   0.500000");
    EXPECT_EQ(head[2], "    2      1      2    5.0000  0.250000  0.375000     0.1000  0.500000   0.500000");
    EXPECT_EQ(head[3], "    3      2      3    1.0000  0.750000  0.750000     0.3000  0.500000   0.500000");
}

TEST(Summary, TakesOnlyCompletePairTables) {
    const std::string row = "0.00000000";
    auto pair = [&](int i, int j) { return record(i, j, "1.00000000", row, "0.50000000", row); };
    // Any order is fine.
    {
        ScratchDir d;
        write_file(d / "pvalue.txt", kHeader + pair(2, 3) + pair(1, 3) + pair(1, 2));
        const auto r = run_program(d.path(), "", {"summary", "--top", "0"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("3 gene pairs of 3 genes"), std::string::npos) << r.out;
    }
    struct Case {
        std::string rows, message;
    };
    const std::vector<Case> cases = {
        // A gene number far beyond what the records can hold: refused before anything is sized.
        {pair(1, 2000000), "pvalue.txt:2: gene 2000000 is out of range: 1 pair can be all the pairs of at "
                           "most 2 genes, and 2000000 genes have 1999999000000 pairs (pairs missing, or a "
                           "wrong gene number)"},
        {pair(1, 2) + pair(1, 999999999), "pvalue.txt:3: gene 999999999 is out of range"},
        {pair(1, 2) + pair(2, 3), "pvalue.txt:3: gene 3 is out of range: 2 pairs can be all the pairs of at most "
                                  "2 genes, and 3 genes have 3 pairs (pairs missing"},
        {pair(1, 2) + pair(1, 3) + pair(2, 3) + "\n" + pair(1, 2),
         "pvalue.txt:6: pair (1, 2) appears twice (first on line 2)"},
        {pair(1, 3) + pair(1, 3) + pair(2, 3), "pvalue.txt:3: pair (1, 3) appears twice (first on line 2)"},
        {pair(2, 1), "pvalue.txt:2: pair (2, 1) does not have its smaller gene first"},
        {pair(0, 1), "pvalue.txt:2: \"0 1\" is not a pair of gene numbers"},
    };
    for (const auto& c : cases) {
        ScratchDir d, here;
        write_file(d / "pvalue.txt", kHeader + c.rows);
        auto r = run_program(d.path(), "", {"summary", "--svg", "h.svg", "--tsv", "t.tsv"});
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err.rfind("coswitch: " + c.message, 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(d / "h.svg") || fs::exists(d / "t.tsv"));
        // Through -C the file is named as the directory's.
        r = run_program(here.path(), "", {"summary", "-C", d.path().string()});
        EXPECT_EQ(r.err.rfind("coswitch: " + (d / "").string() + c.message, 0), 0u) << r.err;
    }
}

TEST(Summary, NamesMustBeUtf8AndTheDirectoryMustExist) {
    ScratchDir d;
    write_file(d / "pvalue.txt", kWorked);
    for (const std::string& bad : {std::string("CLN2\nA\xff\nB\nC\n"), std::string("CLN2\n\xc3\x28\nB\nC\n"),
                                   std::string("CLN2\n\xed\xa0\x80\nB\nC\n")}) {
        write_file(d / "genes.txt", bad);
        const auto r = run_program(d.path(), "", {"summary", "--names", "genes.txt", "--tsv", "t.tsv"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "coswitch: genes.txt:2: the name is not UTF-8 text\n");
        EXPECT_FALSE(fs::exists(d / "t.tsv"));
    }
    write_file(d / "genes.txt", "CLN2\n\xc3\xa9t\xc3\xa9\nB\nC\n");  // "été"
    EXPECT_EQ(run_program(d.path(), "", {"summary", "--names", "genes.txt"}).status, 0);

    const auto r = run_program(d.path(), "", {"summary", "-C", "missing"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "coswitch: missing: no such directory (option -C)\n");
}

namespace {
// The pairs of the ranked table, as "i-j" words in rank order.
std::string ranked_pairs(const std::string& out) {
    const auto lines = split(out, '\n');
    std::string pairs;
    auto head = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find(" rank") == 0; });
    if (head == lines.end()) return pairs;
    for (auto l = head + 1; l != lines.end() && l->find(" wrote") != 0; ++l) {
        std::istringstream row(*l);
        int rank, i, j;
        row >> rank >> i >> j;
        pairs += std::to_string(i) + "-" + std::to_string(j) + " ";
    }
    return pairs;
}

// The pairs of a TSV, as "i-j" words in row order.
std::string tsv_pairs(const std::string& tsv) {
    std::string pairs;
    const auto rows = split(tsv, '\n');
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const auto f = split(rows[k], '\t');
        pairs += f[0] + "-" + f[1] + " ";
    }
    return pairs;
}
}  // namespace

TEST(Summary, RanksByEitherStatisticAndKeepsThePairsBelowAnFdr) {
    // The adjusted values of kWorked (above): dependence 0.025 0.05 NaN 0.05 0.5 0, correlation
    // 0.3 0.3 0.12 1 0.18 0.3 for the pairs 1-2 1-3 1-4 2-3 2-4 3-4.
    ScratchDir d;
    write_file(d / "pvalue.txt", kWorked);
    struct Case {
        std::vector<std::string> options;
        std::string ranked, kept, passing;
    };
    const std::vector<Case> cases = {
        // Correlation ties at 0.3 share the raw 0.25 too, so the dependence p-value decides.
        {{"--rank", "corr"}, "1-4 2-4 3-4 1-2 1-3 2-3 ", "1-2 1-3 1-4 2-3 2-4 3-4 ", ""},
        {{"--rank=new"}, "3-4 1-2 1-3 2-3 2-4 1-4 ", "1-2 1-3 1-4 2-3 2-4 3-4 ", ""},
        {{"--fdr", "0.04"}, "3-4 1-2 ", "1-2 3-4 ", " 2 of 6 pairs have an adjusted dependence p-value of at most 0.04\n"},
        {{"--rank", "corr", "--fdr", "0.2"}, "1-4 2-4 ", "1-4 2-4 ",
         " 2 of 6 pairs have an adjusted correlation p-value of at most 0.2\n"},
        // A NaN adjusted value passes no threshold, not even 1.
        {{"--fdr", "1"}, "3-4 1-2 1-3 2-3 2-4 ", "1-2 1-3 2-3 2-4 3-4 ", " 5 of 6 pairs"},
        {{"--fdr", "1", "--rank", "corr"}, "1-4 2-4 3-4 1-2 1-3 2-3 ", "1-2 1-3 1-4 2-3 2-4 3-4 ", " 6 of 6 pairs"},
        {{"--fdr", "0"}, "3-4 ", "3-4 ", " 1 of 6 pairs have an adjusted dependence p-value of at most 0\n"},
        {{"--fdr", "0", "--rank", "corr"}, "", "", " 0 of 6 pairs have an adjusted correlation p-value of at most 0\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string tsv = "t" + std::to_string(++n) + ".tsv";
        std::vector<std::string> args = {"summary", "--tsv", tsv};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = run_program(d.path(), "", args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ranked_pairs(r.out), c.ranked) << c.options[0] << "\n" << r.out;
        EXPECT_EQ(tsv_pairs(read_file(d / tsv)), c.kept) << c.options[0];
        if (c.passing.empty())
            EXPECT_EQ(r.out.find("of at most"), std::string::npos) << r.out;
        else
            EXPECT_NE(r.out.find(c.passing), std::string::npos) << r.out;
    }

    // Among equal adjusted correlation p-values the raw correlation p-value decides, not the
    // dependence's. Correlation p 0.25 0.125 0.75 (m = 3): adjusted 0.375 0.375 0.75.
    ScratchDir e;
    write_file(e / "pvalue.txt", kHeader + record(1, 2, "5.00000000", "0.10000000", "0.10000000", "0.25000000") +
                                     record(1, 3, "6.00000000", "0.50000000", "0.20000000", "0.12500000") +
                                     record(2, 3, "1.00000000", "0.01000000", "0.30000000", "0.75000000"));
    auto r = run_program(e.path(), "", {"summary", "--rank", "corr"});
    EXPECT_EQ(ranked_pairs(r.out), "1-3 1-2 2-3 ") << r.out;
    EXPECT_NE(r.out.find(" top 3 of 3 pairs by adjusted correlation p-value:\n"), std::string::npos) << r.out;
    r = run_program(e.path(), "", {"summary", "--top", "2", "--fdr", "0.5"});
    EXPECT_EQ(ranked_pairs(r.out), "2-3 1-2 ") << r.out;
    EXPECT_NE(r.out.find(" top 2 of these 3 pairs by adjusted dependence p-value:\n"), std::string::npos) << r.out;

    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--rank", "dep"}, "summary: option --rank: \"dep\" is not new (the dependence statistic) or corr"},
             {{"--fdr", "1.5"}, "summary: option --fdr: \"1.5\" is not a number from 0 to 1"},
             {{"--fdr", "-0.01"}, "summary: option --fdr: \"-0.01\" is not a number from 0 to 1"},
             {{"--fdr", "nan"}, "summary: option --fdr: \"nan\" is not a number from 0 to 1"},
             {{"--fdr"}, "summary: option --fdr needs a value"}}) {
        std::vector<std::string> all = {"summary", "--tsv", "never.tsv"};
        all.insert(all.end(), args.begin(), args.end());
        r = run_program(d.path(), "", all);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.err.rfind("coswitch: " + message, 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(d / "never.tsv"));
    }
}

TEST(Summary, TsvToStandardOutputAndTheReportToStandardError) {
    ScratchDir d;
    write_file(d / "pvalue.txt", kWorked);
    write_file(d / "genes.txt", "CLN2\nA&B<1>\nSwi5 p\nCLB2\n");
    const auto file = run_program(d.path(), "", {"summary", "--names", "genes.txt", "--fdr", "0.3", "--tsv", "t.tsv"});
    ASSERT_EQ(file.status, 0) << file.err;
    const auto r = run_program(d.path(), "", {"summary", "--names", "genes.txt", "--fdr", "0.3", "--tsv", "-",
                                              "--svg", "h.svg"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Standard output holds the table alone, the same bytes as the file; the report, and the
    // file written, go to standard error.
    EXPECT_EQ(r.out, read_file(d / "t.tsv"));
    EXPECT_EQ(tsv_pairs(r.out), "1-2 1-3 2-3 3-4 ");
    EXPECT_EQ(r.err, file.out.substr(0, file.out.find(" wrote t.tsv")) + " wrote h.svg\n");
    EXPECT_FALSE(fs::exists(d / "-"));

    // When standard output cannot take the table, no file appears and the status says so.
    ScratchDir e;
    write_file(e / "pvalue.txt", kWorked);
    RunOptions full;
    full.in_child = [] {
        const int fd = ::open("/dev/full", O_WRONLY);
        if (fd >= 0) ::dup2(fd, 1);
    };
    const auto failed = run_program(e.path(), "", {"summary", "--tsv", "-", "--svg", "h.svg"}, full);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("coswitch: standard output: write failed: No space left on device"), std::string::npos)
        << failed.err;
    EXPECT_FALSE(fs::exists(e / "h.svg"));
}

TEST(Summary, CountsTheBootstrapReplicatesFromTheFirstPairOfOutputTxt) {
    // A classic run with 3 replicates per pair of 4 genes: M = 3 x 6.
    ScratchDir d, here;
    write_synthetic_inputs(d.path(), 4, 2, 4, false);
    ASSERT_EQ(run_program(d.path(), answers('G', 4, 2, 3, 4)).status, 0);
    auto r = run_program(here.path(), "", {"summary", "-C", d.path().string(), "--top", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(split(r.out, '\n')[1], " bootstrap replicates: 3 per pair (from output.txt), M = 18");

    // Without output.txt, or with one that cannot be the run's, the count is unknown and the
    // summary goes on.
    fs::rename(d / "output.txt", d / "nulls.txt");
    r = run_program(d.path(), "", {"summary", "--top", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(split(r.out, '\n')[1], " bootstrap replicates: unknown (no output.txt beside pvalue.txt)");
    write_file(d / "output.txt", std::string(kOutputHeader));
    r = run_program(d.path(), "", {"summary", "--top", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(split(r.out, '\n')[1],
              " bootstrap replicates: unknown (output.txt holds no null values, yet pvalue.txt has p-values)");
}
