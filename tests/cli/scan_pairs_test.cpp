// --pairs: which rows pairs.tsv holds, and that a row is the same whichever
// rule wrote it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    return cells;
}

// A simulated table of 30 genes (435 pairs), five of them coupled pairs, so
// that some pairs pass an adjusted 0.25 and most do not.
void write_coupled_table(const fs::path& dir) {
    const auto r = run_program(dir, "", {"simulate", "-o", "table.tsv", "--genes", "30", "--time-points",
                                         "12", "--coupled", "5", "--coupling", "0.95"});
    ASSERT_EQ(r.status, 0) << r.err;
}

ProgramRun scan(const fs::path& dir, const std::string& out, std::vector<std::string> more,
                const RunOptions& options = {}) {
    std::vector<std::string> args = {"scan", "table.tsv", "-o", out, "--bootstrap", "20", "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return run_program(dir, "", args, options);
}

// The value of a key in run.tsv.
std::string run_value(const fs::path& folder, const std::string& key) {
    for (const std::string& line : lines_of(read_file(folder / "run.tsv"))) {
        const auto cells = cells_of(line);
        if (cells.size() == 2 && cells[0] == key) return cells[1];
    }
    return "";
}

}  // namespace

// Every rule writes rows of the ranking over every pair, byte for byte those
// that --pairs all writes, in its order: the adjusted values and ranks are
// never those of the rows written alone.
TEST(ScanPairs, EveryRuleWritesRowsOfTheWholeRanking) {
    ScratchDir d;
    write_coupled_table(d.path());
    const auto all = scan(d.path(), "all", {"--pairs", "all"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find(" pairs.tsv: all 435 pairs\n"), std::string::npos) << all.out;
    const auto every = lines_of(read_file(d / "all" / "pairs.tsv"));
    ASSERT_EQ(every.size(), 436u);
    EXPECT_EQ(run_value(d / "all", "pairs_tsv_rows"), "435");

    // fdr Q: the rows whose adjusted value is at most Q by either statistic.
    const auto fdr = scan(d.path(), "fdr", {"--pairs", "fdr", "0.25"});
    ASSERT_EQ(fdr.status, 0) << fdr.err;
    std::vector<std::string> passing = {every[0]};
    for (std::size_t k = 1; k < every.size(); ++k) {
        const auto c = cells_of(every[k]);
        if (std::stod(c[5]) <= 0.25 || std::stod(c[8]) <= 0.25) passing.push_back(every[k]);
    }
    ASSERT_GT(passing.size(), 2u) << "the coupled pairs should pass";
    ASSERT_LT(passing.size(), every.size());
    EXPECT_EQ(lines_of(read_file(d / "fdr" / "pairs.tsv")), passing);
    const std::string rows = std::to_string(passing.size() - 1);
    EXPECT_NE(fdr.out.find(" pairs.tsv: " + rows + " of 435 pairs, those with an adjusted p-value of "
                           "at most 0.25 by either statistic\n"),
              std::string::npos)
        << fdr.out;
    EXPECT_EQ(run_value(d / "fdr", "pairs_tsv"), "fdr 0.25");
    EXPECT_EQ(run_value(d / "fdr", "pairs_tsv_rows"), rows);

    // top N: the first N rows; more than there are is every pair; 0 is the header.
    for (const int n : {7, 1000, 0}) {
        const std::string out = "top" + std::to_string(n);
        const auto top = scan(d.path(), out, {"--pairs", "top", std::to_string(n)});
        ASSERT_EQ(top.status, 0) << top.err;
        const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(n), 435) + 1;
        EXPECT_EQ(lines_of(read_file(d / out / "pairs.tsv")),
                  std::vector<std::string>(every.begin(), every.begin() + static_cast<std::ptrdiff_t>(kept)))
            << n;
        EXPECT_NE(top.out.find(" pairs.tsv: the best " + std::to_string(kept - 1) + " of 435 pairs by "
                               "dependence p-value\n"),
                  std::string::npos)
            << top.out;
        // The rest of the folder does not depend on the rule.
        EXPECT_EQ(read_file(d / out / "edges.tsv"), read_file(d / "all" / "edges.tsv"));
        EXPECT_EQ(read_file(d / out / "heatmap.svg"), read_file(d / "all" / "heatmap.svg"));
    }

    // Words that name no rule are refused before anything is read or written.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"some"}, {"fdr", "2"}, {"fdr", "-0.1"}, {"fdr", "x"}, {"top", "-1"},
          {"top", "ten"}, {"top", "1.5"}}) {
        std::vector<std::string> args = {"--pairs"};
        args.insert(args.end(), bad.begin(), bad.end());
        const auto r = scan(d.path(), "bad", args);
        EXPECT_EQ(r.status, 2) << bad[0];
        EXPECT_NE(r.err.find("--pairs"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("all, fdr Q"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(d / "bad"));
    }
    const auto missing = scan(d.path(), "bad", {"--pairs", "fdr"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("--pairs"), std::string::npos) << missing.err;
}

// Without --pairs, every pair up to the threshold and the pairs at fdr 0.25
// above it; the summary and run.tsv say which rule applied.
TEST(ScanPairs, TheDefaultSwitchesAtItsThreshold) {
    ScratchDir d;
    write_coupled_table(d.path());
    auto threshold = [](const char* pairs) {
        RunOptions o;
        o.in_child = [pairs] { ::setenv("COSWITCH_TEST_ALL_PAIRS_UP_TO", pairs, 1); };
        return o;
    };
    const auto at = scan(d.path(), "at", {}, threshold("435"));
    ASSERT_EQ(at.status, 0) << at.err;
    EXPECT_NE(at.out.find(" pairs.tsv: all 435 pairs (the default up to 435 pairs)\n"), std::string::npos)
        << at.out;
    EXPECT_EQ(run_value(d / "at", "pairs_tsv"), "all");

    const auto above = scan(d.path(), "above", {}, threshold("434"));
    ASSERT_EQ(above.status, 0) << above.err;
    const auto fdr = scan(d.path(), "fdr", {"--pairs", "fdr", "0.25"});
    ASSERT_EQ(fdr.status, 0) << fdr.err;
    EXPECT_EQ(read_file(d / "above" / "pairs.tsv"), read_file(d / "fdr" / "pairs.tsv"));
    EXPECT_NE(above.out.find("by either statistic (the default above 434 pairs; --pairs all writes every one)\n"),
              std::string::npos)
        << above.out;
    EXPECT_EQ(run_value(d / "above", "pairs_tsv"), "fdr 0.25");

    // An explicit rule holds whatever the size.
    const auto all = scan(d.path(), "all", {"--pairs", "all"}, threshold("10"));
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(lines_of(read_file(d / "all" / "pairs.tsv")).size(), 436u);
}

// pairs.tsv is made in blocks of rows on several threads: the bytes are
// those of one thread, over several blocks.
TEST(ScanPairs, AllRowsAreTheSameBytesOnOneThreadOrTwo) {
    ScratchDir d;
    const auto sim = run_program(d.path(), "", {"simulate", "-o", "table.tsv", "--genes", "130",
                                                "--time-points", "8", "--coupled", "3"});
    ASSERT_EQ(sim.status, 0) << sim.err;
    for (const char* threads : {"1", "2"}) {
        const auto r = run_program(d.path(), "", {"scan", "table.tsv", "-o", std::string("t") + threads,
                                                  "--bootstrap", "2", "--pairs", "all", "--threads",
                                                  threads, "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const std::string one = read_file(d / "t1" / "pairs.tsv");
    EXPECT_EQ(lines_of(one).size(), 8386u);  // 8385 pairs: three blocks of rows
    EXPECT_TRUE(one == read_file(d / "t2" / "pairs.tsv"));
}
