// What scan says about a table it cannot use, before any work, and what it
// writes of ids that others' readers must read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// switching_table's rows under other ids (gene-K:x becomes ids[K - 1]).
std::string with_ids(std::string table, const std::vector<std::string>& ids) {
    for (std::size_t k = ids.size(); k >= 1; --k) {
        const std::string from = "gene-" + std::to_string(k) + ":x";
        const std::size_t at = table.find("\n" + from);
        table.replace(at + 1, from.size(), ids[k - 1]);
    }
    return table;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::vector<std::string> kRun = {
    "--samples", "t(\\d+)_r(\\d+)", "--bootstrap", "3", "--quiet", "-o", "out"};

std::vector<std::string> scan(const std::string& table) {
    std::vector<std::string> a = {"scan", table};
    a.insert(a.end(), kRun.begin(), kRun.end());
    return a;
}

}  // namespace

TEST(ScanInputs, IdsWithAQuoteAreRefusedAndPairsTsvReadsBackQuoteAware) {
    ScratchDir d;
    // A double quote in a comma-separated table ("" inside quotes): refused
    // as the table is read, naming the line, before any folder.
    write_file(d / "q.csv", with_ids(switching_table(6, 4, 2, 3, ','),
                                     {"alpha", "\"say \"\"hi\"\"\"", "gamma"}));
    auto r = run_program(d.path(), "", scan("q.csv"));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "coswitch: q.csv:3: gene id \"say \\\"hi\\\"\" holds a double quote"))
        << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(d / "out"));

    // Apostrophes and the like are fine: R's read.delim and pandas, quote-
    // aware, read every pair back, each id as it was.
    const std::vector<std::string> ids = {"O'Brien", "5' UTR", "a,b (c)", "d'", "'e'", "f"};
    write_file(d / "a.csv", with_ids(switching_table(6, 4, 2, 3, ','),
                                     {"\"O'Brien\"", "5' UTR", "\"a,b (c)\"", "d'", "'e'", "f"}));
    r = run_program(d.path(), "", scan("a.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    if (!tool_available("python3")) GTEST_SKIP() << "python3 not installed";
    const auto py = run_tool(
        d.path(),
        {"python3", "-c",
         "import csv, sys\n"
         "rows = list(csv.reader(open('out/pairs.tsv', newline=''), delimiter='\\t'))\n"
         "print(len(rows) - 1)\n"
         "print('\\n'.join(sorted({r[1] for r in rows[1:]} | {r[2] for r in rows[1:]})))\n"});
    ASSERT_EQ(py.status, 0) << py.err;
    std::string expected = "15\n";
    std::vector<std::string> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& id : sorted) expected += id + "\n";
    EXPECT_EQ(py.out, expected);
}

TEST(ScanInputs, NoGeneKeptSaysWhyWithoutPointingToAFileNotWritten) {
    ScratchDir d;
    // A tab at the end of the header line: one more column, empty in every
    // row, so that every gene has a missing value.
    std::string t = "id";
    for (int s = 1; s <= 8; ++s) t += "\ts" + std::to_string(s);
    t += "\t\n";
    for (int g = 1; g <= 5; ++g) {
        t += "g" + std::to_string(g);
        for (int s = 1; s <= 8; ++s) t += "\t" + std::to_string((g * s) % 7 + 0.5);
        t += "\n";
    }
    write_file(d / "t.tsv", t);
    const auto r = run_program(d.path(), "", {"scan", "t.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.out, " genes: 0 kept, 5 dropped\n")) << r.out;
    EXPECT_FALSE(has(r.out, "genes.tsv")) << r.out;
    EXPECT_EQ(r.err,
              "coswitch: t.tsv: 0 genes kept, so there is no pair to test: missing value: 5 genes "
              "(\"g1\" line 2, \"g2\" line 3, \"g3\" line 4, ...); column 10 (no name) is empty in "
              "every row (a separator at the end of the header line?) (--columns picks one series "
              "of a wide table)\n");
    EXPECT_FALSE(fs::exists(d / "out"));
}
