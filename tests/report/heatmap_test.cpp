#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "io/text_out.hpp"
#include "report/heatmap.hpp"
#include "report/pair_ranking.hpp"
#include "report/scan_heatmap.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {

struct Rect {
    int x = 0, y = 0;
    std::string fill, title;
};

// The cells of one class, by the text of their tooltips.
std::map<std::string, Rect> cells(const std::string& svg, const std::string& cls) {
    std::map<std::string, Rect> out;
    const std::regex re("<rect class=\"" + cls +
                        "\" x=\"(\\d+)\" y=\"(\\d+)\"[^>]*fill=\"(#[0-9a-f]{6})\"(?:><title>([^<]*))?");
    for (std::sregex_iterator it(svg.begin(), svg.end(), re), end; it != end; ++it) {
        Rect r{std::stoi((*it)[1]), std::stoi((*it)[2]), (*it)[3], (*it)[4]};
        out[cls == "diag" ? std::to_string(out.size() + 1) : r.title.substr(0, r.title.find(": "))] = r;
    }
    return out;
}

void expect_well_formed(const std::string& path) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) return;
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0) << path;
}

PairRow row(int i, int j, double p_new, double p_corr) {
    PairRow r;
    r.i = i;
    r.j = j;
    r.stat_new = 1;
    r.stat_corr = 0.5;
    r.p_new = r.p_new_bh = p_new;
    r.p_corr = r.p_corr_bh = p_corr;
    return r;
}

}  // namespace

TEST(Heatmap, ScanCellsInClusterOrderColouredByAdjustedValue) {
    ScratchDir d;
    PairResults r;
    r.names = {"YAL001C", "A&B<1>", "gene:3-b", "CLB2"};
    // (1,4) at +Inf counts as 12.5: {1,2} merge first (coming before
    // (1,4)), then 4 (average 7.875 against 5.125 for 3), then 3.
    r.stat_new = {12.5, 3.25, INFINITY, 7.0, NAN, 3.25};
    r.count_new = {2, 900, 0, 2, 1500, 900};
    r.stat_corr = {0.9, 0.1, 0.8, 0.05, 0.7, 0.2};
    r.count_corr = {3, 1200, 4, 1400, 80, 1000};
    r.M = 1500;
    const RankedPairs k = rank_pairs(r);
    TextOut out;
    out.create((d / "heatmap.svg").string(), "heatmap.svg");
    write_scan_heatmap(out, r, k);
    out.close();
    const std::string svg = read_file(d / "heatmap.svg");
    expect_well_formed((d / "heatmap.svg").string());

    // Names along the axes in the order 1, 2, 4, 3, escaped.
    const std::size_t a = svg.find(">YAL001C<"), b = svg.find(">A&amp;B&lt;1&gt;<"),
                      c = svg.find(">CLB2<"), e = svg.find(">gene:3-b<");
    ASSERT_NE(e, std::string::npos);
    EXPECT_TRUE(a < b && b < c && c < e) << a << " " << b << " " << c << " " << e;

    const auto diag = cells(svg, "diag");
    ASSERT_EQ(diag.size(), 4u);
    const int left = diag.at("1").x, top = diag.at("1").y, cell = diag.at("2").x - left;
    const auto dep = cells(svg, "dep"), corr = cells(svg, "corr");
    ASSERT_EQ(dep.size(), 6u);
    ASSERT_EQ(corr.size(), 6u);
    // (1,4): row 1, column 3 above the diagonal, adjusted 0: top of the scale.
    const Rect& d14 = dep.at("YAL001C and CLB2");
    EXPECT_EQ((std::vector{d14.x, d14.y}), (std::vector{left + 2 * cell, top}));
    EXPECT_EQ(d14.fill, "#800026");
    // (3,4) sits at places 4 and 3: its dependence cell is in row 3, column 4.
    const Rect& d34 = dep.at("CLB2 and gene:3-b");
    EXPECT_EQ((std::vector{d34.x, d34.y}), (std::vector{left + 3 * cell, top + 2 * cell}));
    const Rect& c34 = corr.at("CLB2 and gene:3-b");
    EXPECT_EQ((std::vector{c34.x, c34.y}), (std::vector{left + 2 * cell, top + 3 * cell}));
    // Adjusted 1: the bottom of the scale. (1,3): p 0.6, adjusted 0.72, that
    // is 0.143 of the first decade: 255 + 0.143 (254 - 255), 255 + 0.143
    // (217 - 255), 204 + 0.143 (118 - 204) rounded (p would give #fff7b9).
    EXPECT_EQ(dep.at("A&amp;B&lt;1&gt; and CLB2").fill, "#ffffcc");
    EXPECT_EQ(dep.at("YAL001C and gene:3-b").fill, "#fffac0");
    EXPECT_NE(svg.find("-log10 adjusted p"), std::string::npos);
}

TEST(Heatmap, FixedScaleWhateverTheRunsSmallestValue) {
    // The same p-value gets the same colour in runs whose smallest values
    // differ: 0.01 is two of four decades, the middle stop of the palette.
    PairTable one, other;
    one.genes = other.genes = 3;
    one.rows = {row(1, 2, 0.01, 0.5), row(1, 3, 1e-4, NAN), row(2, 3, 0.5, 1.0)};
    other.rows = {row(1, 2, 0.01, 0.5), row(1, 3, 1e-9, 0.0), row(2, 3, 0.5, 1e-5)};
    const std::vector<std::string> names = {"x", "y", "z"};
    const std::string s1 = summary_svg(one, names), s2 = summary_svg(other, names);
    const auto d1 = cells(s1, "dep"), d2 = cells(s2, "dep");
    const auto c1 = cells(s1, "corr"), c2 = cells(s2, "corr");
    EXPECT_EQ(d1.at("x and y").fill, "#fd8d3c");
    EXPECT_EQ(d2.at("x and y").fill, "#fd8d3c");
    EXPECT_EQ(d1.at("y and z").fill, d2.at("y and z").fill);
    // 1e-4 and anything smaller, 0 included, share the top colour.
    for (const std::string& f : {d1.at("x and z").fill, d2.at("x and z").fill,
                                 c2.at("x and z").fill, c2.at("y and z").fill})
        EXPECT_EQ(f, "#800026");
    EXPECT_EQ(c1.at("x and z").fill, "#d9d9d9");
    EXPECT_NE(s1.find("4 (p = 1e-4 or less)"), std::string::npos);
    EXPECT_NE(s1.find("NaN: no p-value"), std::string::npos);
    EXPECT_EQ(s2.find("NaN: no p-value"), std::string::npos);

    ScratchDir d;
    write_file(d / "one.svg", s1);
    expect_well_formed((d / "one.svg").string());
}
