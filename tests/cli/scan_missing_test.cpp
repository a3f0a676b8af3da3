// Missing values through scan: kept and counted under the model (the
// default), up to --max-missing; a design with holes; and a table without
// a missing value analysed exactly as --missing drop analyses it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows cells_of(const std::string& text) {
    Rows rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        std::istringstream cells(line);
        for (std::string c; std::getline(cells, c, '\t');) rows.back().push_back(c);
        if (!line.empty() && line.back() == '\t') rows.back().push_back("");
    }
    return rows;
}

std::string text_of(const Rows& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) out += (c ? "\t" : "") + row[c];
        out += "\n";
    }
    return out;
}

// The value of gene `gene` (1-based row) in sample `sample` (1-based) is missing.
void blank(Rows& rows, std::size_t gene, std::size_t sample) { rows[gene][sample] = "NA"; }

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Row of genes.tsv for gene id.
std::vector<std::string> gene_row(const fs::path& folder, const std::string& id) {
    for (const auto& row : cells_of(read_file(folder / "genes.tsv")))
        if (row[0] == id) return row;
    return {};
}

const std::vector<std::string> kSamples = {"--samples", "t(\\d+)_r(\\d+)", "--bootstrap", "5",
                                           "--quiet"};

std::vector<std::string> scan(const std::string& table, const std::string& out,
                              std::vector<std::string> more = {}) {
    std::vector<std::string> a = {"scan", table, "-o", out};
    a.insert(a.end(), kSamples.begin(), kSamples.end());
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

}  // namespace

TEST(ScanMissing, WithoutAMissingValueTheModelChangesNoByte) {
    ScratchDir d;
    write_file(d / "t.tsv", switching_table(8, 6, 2, 4));
    const auto model = run_program(d.path(), "", scan("t.tsv", "m"));
    const auto drop = run_program(d.path(), "", scan("t.tsv", "d", {"--missing", "drop"}));
    ASSERT_EQ(model.status, 0) << model.err;
    ASSERT_EQ(drop.status, 0) << drop.err;
    EXPECT_TRUE(folder_files(d / "m") == folder_files(d / "d"));
    EXPECT_EQ(model.out.substr(0, model.out.rfind(" results in")),
              drop.out.substr(0, drop.out.rfind(" results in")));
    EXPECT_FALSE(has(model.out, "missing")) << model.out;
    const std::string pairs = read_file(d / "m" / "pairs.tsv");
    EXPECT_EQ(pairs.substr(0, pairs.find('\n') + 1),
              "rank\tgene1\tgene2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\tr\t"
              "phase\tswitching1\tswitching2\n");
    // genes.tsv's columns as before, then the count of missing values.
    const Rows genes = cells_of(read_file(d / "m" / "genes.tsv"));
    ASSERT_EQ(genes.size(), 9u);
    EXPECT_EQ(genes[0].size(), 15u);
    EXPECT_EQ(genes[0][13] + " " + genes[0][14], "switching missing");
    for (const auto& row : genes) EXPECT_EQ(row.size(), 15u);
    EXPECT_EQ(genes[3][14], "0");
}

TEST(ScanMissing, GenesKeepTheirHolesUpToTheLargestShare) {
    ScratchDir d;
    Rows t = cells_of(switching_table(6, 6, 2, 7));
    blank(t, 1, 3);  // gene-1: 2 of 12 missing, kept
    blank(t, 1, 8);
    for (std::size_t s : {2, 5, 11}) blank(t, 2, s);  // gene-2: 3 of 12, above 0.2
    write_file(d / "t.tsv", text_of(t));
    auto r = run_program(d.path(), "", scan("t.tsv", "out"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\n genes: 5 kept, 1 dropped")) << r.out;
    EXPECT_TRUE(has(r.out, "\n missing values: 2 in the kept genes; a missing value weighs the "
                           "same for either state\n")) << r.out;
    auto row = gene_row(d / "out", "gene-1:x");
    EXPECT_EQ(row[2] + "|" + row[14], "kept|2");
    row = gene_row(d / "out", "gene-2:x");
    EXPECT_EQ(row[2] + "|" + row[3] + "|" + row[5] + "|" + row[14],
              "dropped|missing values: 3 of 12 (> 0.2)|NA|3");
    const std::string run = read_file(d / "out" / "run.tsv");
    EXPECT_TRUE(has(run, "\nmissing\tmodel\nmax_missing\t0.2\nmissing_values\t2\ndesign_holes\t0\n"))
        << run;
    // values.tsv writes the holes; plot reads them back and draws no point there.
    const std::string values = read_file(d / "out" / "values.tsv");
    EXPECT_TRUE(has(values, "\ngene-1:x\t")) << values;
    EXPECT_TRUE(has(values, "\tNaN\t")) << values;
    r = run_program(d.path(), "", {"plot", "out", "gene-1:x", "gene-3:x"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(has(r.out, "NaN")) << "a missing value drawn";

    // 3 of 12 is not above 0.25.
    r = run_program(d.path(), "", scan("t.tsv", "wide", {"--max-missing", "0.25"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(gene_row(d / "wide", "gene-2:x")[2], "kept");
    EXPECT_TRUE(has(r.out, "\n missing values: 5 in the kept genes")) << r.out;

    // Refused: --max-missing without the model, the classic files with holes.
    r = run_program(d.path(), "", scan("t.tsv", "x", {"--missing", "drop", "--max-missing", "0.5"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "--max-missing goes with --missing model")) << r.err;
    r = run_program(d.path(), "", scan("t.tsv", "x", {"--write-classic", "c"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "--write-classic: the classic run cannot take missing values; give "
                           "--missing drop")) << r.err;
    EXPECT_FALSE(fs::exists(d / "x"));
    EXPECT_FALSE(fs::exists(d / "c"));
}

// Two genes that share too few samples with values have no correlation:
// pairs.tsv says why in its note column, and the pair's p_corr is 1.
TEST(ScanMissing, ACorrelationWithoutThreeSharedSamplesSaysWhy) {
    ScratchDir d;
    Rows t = cells_of(switching_table(4, 6, 2, 3));
    for (std::size_t s = 5; s <= 12; ++s) blank(t, 1, s);  // gene-1: samples 1-4
    for (std::size_t s = 1; s <= 2; ++s) blank(t, 2, s);   // gene-2: 3-12
    write_file(d / "t.tsv", text_of(t));
    const auto r = run_program(d.path(), "", scan("t.tsv", "out", {"--max-missing", "0.7"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const Rows pairs = cells_of(read_file(d / "out" / "pairs.tsv"));
    ASSERT_EQ(pairs.size(), 7u);
    EXPECT_EQ(pairs[0].back(), "note");
    int noted = 0;
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        ASSERT_EQ(pairs[k].size(), 14u);
        const bool both = pairs[k][1] == "gene-1:x" && pairs[k][2] == "gene-2:x";
        EXPECT_EQ(pairs[k][9] == "NaN", both) << k;
        if (!both) {
            EXPECT_EQ(pairs[k][13], "") << k;
            continue;
        }
        ++noted;
        EXPECT_EQ(pairs[k][13], "r: 2 samples with both values (needs 3)");
        EXPECT_EQ(pairs[k][7], "1");
    }
    EXPECT_EQ(noted, 1);
}

// A time point without one of the replicates: under the model a hole,
// shown as such; under drop still an error, which says what to give.
TEST(ScanMissing, AnUnbalancedDesignEndToEnd) {
    ScratchDir d;
    Rows t = cells_of(switching_table(5, 5, 3, 2));
    for (auto& row : t) row.erase(row.begin() + 8);  // t3_r2
    write_file(d / "t.tsv", text_of(t));
    auto r = run_program(d.path(), "", scan("t.tsv", "out"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\n design: 5 time points x 3 replicates")) << r.out;
    EXPECT_TRUE(has(r.out, "\n   time 3 (3): t3_r1, -, t3_r3\n")) << r.out;
    EXPECT_TRUE(has(r.out, "\n   holes (-): 1 of 15 cells have no sample; their values are "
                           "missing for every gene\n")) << r.out;
    EXPECT_TRUE(has(r.out, "\n genes: 5 kept, 0 dropped")) << r.out;
    EXPECT_TRUE(has(r.out, "\n missing values: 0 in the kept genes, besides the design's 1 hole"))
        << r.out;
    EXPECT_TRUE(has(read_file(d / "out" / "design.tsv"), "\nt3_r1\t3\t1\t3\t1\n\t3\t2\t3\t2\nt3_r3\t"));
    for (const auto& row : cells_of(read_file(d / "out" / "genes.tsv"))) {
        if (row[0] != "gene") {
            EXPECT_EQ(row[14], "0") << row[0];
        }
    }
    EXPECT_TRUE(has(read_file(d / "out" / "run.tsv"), "\ndesign_holes\t1\n"));
    r = run_program(d.path(), "", {"plot", "out", "gene-2:x", "gene-4:x", "-o", "p.svg"});
    EXPECT_EQ(r.status, 0) << r.err;

    r = run_program(d.path(), "", scan("t.tsv", "x", {"--missing", "drop"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "coswitch: --samples t(\\d+)_r(\\d+): time points have different numbers of "
              "replicates (time: replicates): 1: 3, 2: 3, 3: 2, 4: 3, 5: 3 (give --missing model "
              "to take the absent ones as missing values of every gene)\n");
    EXPECT_FALSE(fs::exists(d / "x"));
}
