#include "report/heatmap.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/scan_heatmap.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
// Position and fill of each cell of a class, keyed by the pair its tooltip names.
std::map<std::string, std::string> cells(const std::string& svg, const std::string& cls) {
    std::map<std::string, std::string> out;
    auto attr = [&](std::size_t at, const std::string& name) {
        const std::size_t b = svg.find(name + "=\"", at) + name.size() + 2;
        return svg.substr(b, svg.find('"', b) - b);
    };
    for (std::size_t at = svg.find("<rect class=\"" + cls); at != std::string::npos;
         at = svg.find("<rect class=\"" + cls, at + 1)) {
        const std::size_t t = svg.find("<title>", at) + 7;
        out[svg.substr(t, svg.find(": ", t) - t)] = attr(at, "x") + "," + attr(at, "y") + " " + attr(at, "fill");
    }
    return out;
}

std::string fill(const std::string& cell) { return cell.substr(cell.size() - 7); }

// Every off-diagonal cell as "class fill", keyed by (row, column) from 0,
// whether drawn as rects or as runs "M column row h length" of paths.
std::map<std::pair<int, int>, std::string> grid(const std::string& svg) {
    std::map<std::pair<int, int>, std::string> out;
    auto attr = [&](std::size_t at, const std::string& name) {
        const std::size_t b = svg.find(" " + name + "=\"", at) + name.size() + 3;
        return svg.substr(b, svg.find('"', b) - b);
    };
    const std::size_t diag = svg.find("<rect class=\"diag\"");
    const int x0 = std::stoi(attr(diag, "x")), y0 = std::stoi(attr(diag, "y"));
    const int cell = std::stoi(attr(diag, "width"));
    for (const std::string cls : {"dep", "corr"}) {
        for (std::size_t at = svg.find("<rect class=\"" + cls + "\""); at != std::string::npos;
             at = svg.find("<rect class=\"" + cls + "\"", at + 1)) {
            const std::pair<int, int> rc{(std::stoi(attr(at, "y")) - y0) / cell,
                                         (std::stoi(attr(at, "x")) - x0) / cell};
            EXPECT_TRUE(out.emplace(rc, cls + " " + attr(at, "fill")).second);
        }
        for (std::size_t at = svg.find("<path class=\"" + cls + "\""); at != std::string::npos;
             at = svg.find("<path class=\"" + cls + "\"", at + 1)) {
            const std::string stroke = attr(at, "stroke"), d = attr(at, "d");
            for (std::size_t m = d.find('M'); m != std::string::npos; m = d.find('M', m + 1)) {
                int col = 0, row = 0, length = 0;
                EXPECT_EQ(std::sscanf(d.c_str() + m, "M%d %dh%d", &col, &row, &length), 3);
                for (int c = col; c < col + length; ++c)
                    EXPECT_TRUE(out.emplace(std::pair<int, int>{row, c}, cls + " " + stroke).second);
            }
        }
    }
    return out;
}

void expect_well_formed(const std::string& path) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) return;
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0) << path;
}
}  // namespace

TEST(Heatmap, ScanCellsInClusterOrderColouredByAdjustedValue) {
    ScratchDir d;
    PlainPairs p;
    p.names = {"YAL001C", "A&B<1>", "gene:3-b", "CLB2"};
    p.switching = {1, 1, 1, 1};
    p.r = {0.9, 0.1, 0.8, 0.05, 0.7, 0.2};
    p.phase = {1, 1, 1, 1, 1, 1};
    // (1,4) at +Inf counts as 12.5: {1,2} merge first (coming before (1,4)),
    // then 4 (average 7.875 against 5.125 for 3), then 3: places 1 2 4 3.
    p.stat_new = {12.5, 3.25, INFINITY, 7.0, NAN, 3.25};
    // Counts of a large pooled set, so that no p-value is far from count / M.
    p.count_new = {2000, 900000, 0, 2000, 1500000, 900000};
    // stat_corr: |r|.
    p.count_corr = {3000, 1200000, 4000, 1400000, 80000, 1000000};
    p.M = 1500000;
    PairResults r = pair_results(p);
    TextOut out;
    out.create((d / "heatmap.svg").string(), "heatmap.svg");
    const RankedPairs k = rank_pairs(r);
    write_scan_heatmap(out, r, k, heatmap_genes(r, k));
    out.close();
    const std::string svg = read_file(d / "heatmap.svg");
    expect_well_formed((d / "heatmap.svg").string());

    // Cells 36 wide from the first place on the diagonal; names escaped.
    const std::size_t diag = svg.find("<rect class=\"diag\" x=\"") + 22;
    const int x0 = std::stoi(svg.substr(diag)), y0 = std::stoi(svg.substr(svg.find("y=\"", diag) + 3));
    auto at = [&](int row, int col, const std::string& fill) {
        return std::to_string(x0 + 36 * (col - 1)) + "," + std::to_string(y0 + 36 * (row - 1)) + " " + fill;
    };
    const auto dep = cells(svg, "dep"), corr = cells(svg, "corr");
    ASSERT_EQ(dep.size() + corr.size(), 12u);
    // The scale runs from 0.05 (1.301) to 1/(M+1) (6.176). (1,4): row 1,
    // column 3, adjusted 6/(M+1) = 4e-6, 5.398: 0.840 of the way, 0.521
    // between the last two stops: 227 - 0.521 * 99, 26 - 0.521 * 26, 28 + 0.521 * 10.
    EXPECT_EQ(dep.at("YAL001C and CLB2"), at(1, 3, "#af0c21"));
    // (1,2): p 0.00133 but adjusted 0.00267 (p would give #fd8f3e).
    EXPECT_EQ(dep.at("YAL001C and A&amp;B&lt;1&gt;"), at(1, 2, "#fd9d49"));
    // (3,4) at places 4 and 3: above the diagonal in row 3, below it in row 4;
    // adjusted 0.93 and 1, like (2,4) and (1,3) (p 0.6, adjusted 0.72), do not
    // pass and are pale.
    EXPECT_EQ(dep.at("CLB2 and gene:3-b"), at(3, 4, "#f0f0f0"));
    EXPECT_EQ(corr.at("CLB2 and gene:3-b"), at(4, 3, "#f0f0f0"));
    EXPECT_EQ(dep.at("A&amp;B&lt;1&gt; and CLB2"), at(2, 3, "#f0f0f0"));
    EXPECT_EQ(dep.at("YAL001C and gene:3-b"), at(1, 4, "#f0f0f0"));
    // The legend's ticks: the pass level, whole decades, and the top.
    for (const char* tick : {">1.30 (p = 0.05)<", ">3 (p = 0.001)<", ">6.18 (p = 1/(M+1) = 6.67e-07)<",
                             ">adjusted p of 0.05 or more: does not pass<"})
        EXPECT_NE(svg.find(tick), std::string::npos) << tick;
    EXPECT_EQ(svg.find("p = 0 (below 1/M)"), std::string::npos);
}

TEST(Heatmap, FixedScaleWhateverTheRunsSmallestValue) {
    auto row = [](int i, int j, double p_new, double p_corr) {
        PairRow r;
        r.i = i;
        r.j = j;
        r.p_new = r.p_new_bh = p_new;
        r.p_corr = r.p_corr_bh = p_corr;
        return r;
    };
    PairTable one, other;
    one.genes = other.genes = 3;
    one.rows = {row(1, 2, 0.01, 0.5), row(1, 3, 1e-4, NAN), row(2, 3, 0.5, 1.0)};
    other.rows = {row(1, 2, 0.01, 0.5), row(1, 3, 1e-9, 0.0), row(2, 3, 0.5, 1e-5)};
    const std::string s1 = summary_svg(one, {"x", "y", "z"}), s2 = summary_svg(other, {"x", "y", "z"});
    const auto d1 = cells(s1, "dep"), d2 = cells(s2, "dep"), c1 = cells(s1, "corr"), c2 = cells(s2, "corr");
    // 0.01 is two of four decades, the middle of the palette, in both runs;
    // 1e-4 and anything smaller, 0 included, take the top colour.
    EXPECT_EQ(fill(d1.at("x and y")), "#fd8d3c");
    EXPECT_EQ(d1, d2);
    for (const std::string& top : {d1.at("x and z"), c2.at("x and z"), c2.at("y and z")})
        EXPECT_EQ(fill(top), "#800026");
    EXPECT_EQ(fill(c1.at("x and z")), "#d9d9d9");
    EXPECT_NE(s1.find("4 (p = 1e-4 or less)"), std::string::npos);
    EXPECT_NE(s1.find("NaN: no p-value"), std::string::npos);
    EXPECT_EQ(s2.find("NaN: no p-value"), std::string::npos);
}

// Above 60 genes the cells lose their tooltips and runs of one colour merge;
// the colours stay those that cells with tooltips get.
TEST(Heatmap, RunsWithoutTooltipsDrawWhatCellsDraw) {
    ScratchDir d;
    auto table = [](int genes) {
        PairTable t;
        t.genes = genes;
        for (int i = 1; i <= genes; ++i)
            for (int j = i + 1; j <= genes; ++j) {
                PairRow r;
                r.i = i;
                r.j = j;
                // Blocks of seven equal cells in a row, between them varied values, 0 and NaN.
                r.p_new = j / 7 % 3 == 0 ? 0.5 : (i * 31 + j * 17) % 97 / 1000.0;
                r.p_corr = (i + j) % 11 == 0 ? NAN : j / 5 % 2 == 0 ? 0.02 : (i * 13 + j) % 89 / 300.0;
                t.rows.push_back(r);
            }
        return t;
    };
    std::vector<std::string> names;
    for (int g = 1; g <= 61; ++g) names.push_back("g\"" + std::to_string(g) + "'<&>");
    const std::string small = summary_svg(table(60), {names.begin(), names.end() - 1});
    const std::string large = summary_svg(table(61), names);
    write_file(d / "large.svg", large);
    expect_well_formed((d / "large.svg").string());
    EXPECT_EQ(occurrences(small, "<title>"), 1u + 60 * 59);
    EXPECT_EQ(occurrences(large, "<title>"), 1u);
    EXPECT_EQ(occurrences(small, "no tooltips"), 0u);
    EXPECT_EQ(occurrences(large, "no tooltips above 60 genes, to keep the file small"), 1u);
    EXPECT_NE(large.find(">g&quot;61&#39;&lt;&amp;&gt;</text>"), std::string::npos);

    const auto cells60 = grid(small), cells61 = grid(large);
    ASSERT_EQ(cells61.size(), 61u * 60);
    for (const auto& [rc, cell] : cells61) {
        EXPECT_EQ(cell.substr(0, cell.find(' ')), rc.first < rc.second ? "dep" : "corr");
        if (rc.first < 60 && rc.second < 60) {
            EXPECT_EQ(cell, cells60.at(rc)) << rc.first << "," << rc.second;
        }
    }
    // The blocks of seven merged, the rest did not.
    EXPECT_LT(occurrences(large, "M"), 61u * 60 * 5 / 6);
}

// At the most genes a heatmap draws, with every pair passing and no two
// neighbours alike, the file stays within 2 MB.
TEST(Heatmap, AtMostTwoMegabytesAtThreeHundredGenes) {
    ScratchDir d;
    const int genes = 300;
    const std::int64_t pairs = genes * (genes - 1) / 2;
    PlainPairs p;
    for (int g = 1; g <= genes; ++g) p.names.push_back("YAL" + std::to_string(1000 + g) + "W-\"'<&");
    p.switching.assign(genes, 1);
    p.M = 100 * pairs;
    for (std::int64_t m = 0; m < pairs; ++m) {
        // Ranks scattered over the pairs; counts growing with the square of
        // the rank spread the adjusted values from 1/(M+1) up to 0.04.
        const std::int64_t q_new = m * 7919 % pairs + 1, q_corr = m * 104729 % pairs + 1;
        p.count_new.push_back(q_new * q_new * 4 / pairs);
        p.count_corr.push_back(q_corr * q_corr * 4 / pairs);
        p.stat_new.push_back(static_cast<double>(m * 37 % 101));
        p.r.push_back(0.5);
        p.phase.push_back(1);
    }
    PairResults r = pair_results(p);
    const RankedPairs k = rank_pairs(r);
    TextOut out;
    out.create((d / "heatmap.svg").string(), "heatmap.svg");
    write_scan_heatmap(out, r, k, heatmap_genes(r, k));
    out.close();
    const std::string svg = read_file(d / "heatmap.svg");
    expect_well_formed((d / "heatmap.svg").string());
    ::testing::Test::RecordProperty("bytes", static_cast<int>(svg.size()));
    EXPECT_LE(svg.size(), 2u << 20);
    // Nearly every cell a run of its own: the bound holds for the worst data.
    EXPECT_GT(occurrences(svg, "M"), static_cast<std::size_t>(pairs) * 2 * 9 / 10);
    EXPECT_EQ(grid(svg).size(), static_cast<std::size_t>(pairs) * 2);
    EXPECT_EQ(occurrences(svg, "#f0f0f0\" d="), 0u);  // every pair passes
}
