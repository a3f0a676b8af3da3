#include "report/bootstrap_count.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
// The records of replicates 1..b of the pair (i, j).
std::string records(int i, int j, int b) {
    std::string s;
    for (int k = 1; k <= b; ++k) s += output_record(i, j, k, 0.5 * k, 0.25);
    return s;
}

BootstrapCount count_of(const std::string& text, int genes) {
    ScratchDir d;
    write_file(d / "output.txt", text);
    return count_bootstrap((d / "output.txt").string(), "output.txt", genes);
}

std::string why(const BootstrapCount& c) { return c.known ? "known" : c.why_unknown; }
}  // namespace

TEST(BootstrapCount, CountsTheFirstPairsRecordsOrSaysWhyNot) {
    const std::string h = kOutputHeader;
    // Only the first pair decides: the rest of the file may be anything.
    auto c = count_of(h + records(1, 2, 4) + records(1, 3, 4) + "not read at all\n", 3);
    EXPECT_TRUE(c.known) << c.why_unknown;
    EXPECT_EQ(c.per_pair, 4);
    // No replicates: the header alone.
    c = count_of(h, 5);
    EXPECT_TRUE(c.known);
    EXPECT_EQ(c.per_pair, 0);
    // One pair only: the file ends with its records, with or without a last line end, CR LF too.
    std::string crlf;
    for (char ch : h + records(1, 2, 7)) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    c = count_of(crlf.substr(0, crlf.size() - 2), 2);
    EXPECT_TRUE(c.known) << c.why_unknown;
    EXPECT_EQ(c.per_pair, 7);

    EXPECT_EQ(why(count_of("", 3)), "output.txt is empty");
    EXPECT_EQ(why(count_of("    Gene1    Gene2    observed stat new\n" + records(1, 2, 3), 3)),
              "output.txt does not begin with the header of the null values");
    // Several pairs, yet the file ends within the first: cut short.
    EXPECT_EQ(why(count_of(h + records(1, 2, 3), 3)), "output.txt ends within the records of its first pair");
    EXPECT_EQ(why(count_of(h + records(1, 2, 2) + output_record(1, 2, 4, 1, 1) + records(1, 3, 4), 3)),
              "output.txt:4: replicate 4 where 3 was expected");
    EXPECT_EQ(why(count_of(h + records(1, 2, 2) + records(1, 3, 2), 3)), "known") << "numbering restarts per pair";
    EXPECT_EQ(why(count_of(h + records(1, 4, 2) + records(1, 3, 2), 3)),
              "output.txt:2: not a record of the null values of a pair of 3 genes");
    EXPECT_EQ(why(count_of(h + records(2, 2, 2), 3)), "output.txt:2: not a record of the null values of a pair of 3 genes");
    EXPECT_EQ(why(count_of(h + records(1, 2, 2) + "1 3 x\n", 3)),
              "output.txt:4: not a record of the null values of a pair of 3 genes");
    EXPECT_EQ(why(count_of(h + std::string(3 << 20, '7'), 3)), "output.txt:2: a line far longer than a record");

    ScratchDir d;
    EXPECT_EQ(why(count_bootstrap((d / "output.txt").string(), "output.txt", 3)), "no output.txt beside pvalue.txt");
    std::filesystem::create_directory(d / "output.txt");
    EXPECT_EQ(why(count_bootstrap((d / "output.txt").string(), "output.txt", 3)), "output.txt is not a regular file");
    // A pipe nobody writes to is refused, not waited on.
    ScratchDir p;
    ASSERT_EQ(::mkfifo((p / "output.txt").c_str(), 0600), 0);
    EXPECT_EQ(why(count_bootstrap((p / "output.txt").string(), "output.txt", 3)), "output.txt is not a regular file");
}

TEST(BootstrapCount, LineGivesMOrTheReasonItIsUnknown) {
    PairTable t;
    t.genes = 3;
    t.rows = {{1, 2, 1, 0.5, 1, 0.5}, {1, 3, 1, 0.25, 1, NAN}, {2, 3, 1, NAN, 1, NAN}};
    BootstrapCount c;
    c.known = true;
    c.per_pair = 100;
    EXPECT_EQ(bootstrap_line(c, t, "output.txt"), " bootstrap replicates: 100 per pair (from output.txt), M = 300\n");
    // No null values, yet some p-values: the file is not the run's.
    c.per_pair = 0;
    EXPECT_EQ(bootstrap_line(c, t, "output.txt"),
              " bootstrap replicates: unknown (output.txt holds no null values, yet pvalue.txt has p-values)\n");
    for (PairRow& r : t.rows) r.p_new = r.p_corr = NAN;
    EXPECT_EQ(bootstrap_line(c, t, "output.txt"), " bootstrap replicates: 0 per pair (from output.txt), M = 0\n");
    c.known = false;
    c.why_unknown = "no output.txt beside pvalue.txt";
    EXPECT_EQ(bootstrap_line(c, t, "output.txt"), " bootstrap replicates: unknown (no output.txt beside pvalue.txt)\n");
}
