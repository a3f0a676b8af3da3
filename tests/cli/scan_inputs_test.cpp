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
    // Under the model, the default, such a column is refused at once: a
    // hole in every gene is a stray separator more often than data.
    auto m = run_program(d.path(), "", {"scan", "t.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(m.status, 2);
    EXPECT_EQ(m.err,
              "coswitch: t.tsv: column 10 (no name) has no value in any row (a separator at the end "
              "of the header line?); leave it out with --columns\n");
    EXPECT_FALSE(fs::exists(d / "out"));
    const auto r =
        run_program(d.path(), "", {"scan", "t.tsv", "-o", "out", "--quiet", "--missing", "drop"});
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

// A table as R's write.table(x, sep = "\t") writes it (the header one cell
// short: row names unnamed) reads as the same table with an id column, and
// a gene list may start with a header line and hold comments: the same
// files, and the summary says so, once each.
TEST(ScanInputs, ATableFromRAndAGeneListWithAHeader) {
    ScratchDir d;
    const std::string table = switching_table(6, 4, 2, 3);
    write_file(d / "t.tsv", table);
    write_file(d / "r.tsv", table.substr(table.find('\t') + 1));  // "id\t" gone
    write_file(d / "list.txt", "gene-2:x\ngene-4:x\ngene-5:x\n");
    write_file(d / "header.txt", "# chosen by hand\nsymbol\n\ngene-2:x\ngene-4:x\n# last\ngene-5:x\n");
    auto plain = scan("t.tsv");
    plain.insert(plain.end(), {"--genes", "list.txt"});
    auto r = run_program(d.path(), "", plain);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(has(r.out, " ids: ")) << r.out;
    EXPECT_FALSE(has(r.out, " gene list: ")) << r.out;
    fs::rename(d / "out", d / "plain");
    auto from_r = scan("r.tsv");
    from_r.insert(from_r.end(), {"--genes", "header.txt"});
    r = run_program(d.path(), "", from_r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, " table: r.tsv (6 genes, 8 samples, tab-separated)\n ids: the first "
                           "column, which the header line does not name (one cell shorter than "
                           "the rows, as R's write.table writes row names)\n gene list: "
                           "header.txt:2: \"symbol\" is no id of r.tsv: skipped as a header line\n"))
        << r.out;
    EXPECT_TRUE(has(r.out, " genes: 3 kept, 0 dropped, 3 not selected")) << r.out;
    const auto a = folder_files(d / "plain"), b = folder_files(d / "out");
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, text] : a) {
        if (name != "report.html") {
            EXPECT_EQ(b.at(name), text) << name;
        }
    }

    // R itself, when it is here.
    if (!tool_available("Rscript")) GTEST_SKIP() << "Rscript not installed";
    const auto w = run_tool(d.path(), {"Rscript", "-e",
                                       "x <- as.matrix(read.delim('t.tsv', row.names = 1, "
                                       "check.names = FALSE)); x[2, 3] <- NA; "
                                       "write.table(x, 'w.tsv', sep = '\\t')"});
    ASSERT_EQ(w.status, 0) << w.err;
    r = run_program(d.path(), "", {"scan", "w.tsv", "--samples", "t(\\d+)_r(\\d+)", "--bootstrap",
                                   "3", "--quiet", "-o", "w"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\n ids: the first column")) << r.out;
    EXPECT_TRUE(has(r.out, "\n genes: 6 kept, 0 dropped")) << r.out;
    const std::string genes = read_file(d / "w" / "genes.tsv");
    const std::size_t row = genes.find("\ngene-2:x\t3\tkept\t\t2\t");
    ASSERT_NE(row, std::string::npos) << genes;
    EXPECT_EQ(genes.substr(genes.find('\n', row + 1) - 2, 3), "\t1\n");  // R's NA, a missing value
}

// Messages for likely mistakes name file and line and say what was meant.
TEST(ScanInputs, UnknownIdsAndLogsOfZeroSuggestTheFix) {
    ScratchDir d;
    write_file(d / "t.tsv", switching_table(6, 4, 2, 3));
    write_file(d / "list.txt", "gene-2:x\nGENE-4:X\ngene-55:x\n");
    auto a = scan("t.tsv");
    a.insert(a.end(), {"--genes", "list.txt"});
    auto r = run_program(d.path(), "", a);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "coswitch: list.txt: 2 id(s) not in t.tsv: \"GENE-4:X\" (line 2; did you mean "
              "\"gene-4:x\"?), \"gene-55:x\" (line 3; did you mean \"gene-5:x\", \"gene-1:x\" or "
              "\"gene-2:x\"?)\n");
    EXPECT_FALSE(fs::exists(d / "out"));

    std::string zero = switching_table(3, 4, 2, 3);
    zero.replace(zero.find("\ngene-3:x\t") + 10, 5, "0.000");
    write_file(d / "z.tsv", zero);
    a = scan("z.tsv");
    a.insert(a.end(), {"--transform", "log2"});
    r = run_program(d.path(), "", a);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "coswitch: z.tsv:4: gene \"gene-3:x\", column \"t1_r1\": --transform log2 needs "
              "values above 0, not 0; --transform log2p1 takes log2(x + 1), which is 0 at 0\n");
}
