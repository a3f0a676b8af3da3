#include "report/pair_panel.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "io/errors.hpp"
#include "table/near_names.hpp"
#include "report/panel_data.hpp"
#include "report/text.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {

std::string design_tsv(const std::vector<std::string>& times, int reps) {
    std::string out = "sample\ttime\treplicate\ttime_index\treplicate_index\n";
    for (std::size_t t = 0; t < times.size(); ++t)
        for (int r = 1; r <= reps; ++r)
            out += "s" + std::to_string(t) + "_" + std::to_string(r) + "\t" + times[t] + "\tR" +
                   std::to_string(r) + "\t" + std::to_string(t + 1) + "\t" + std::to_string(r) + "\n";
    return out;
}

}  // namespace

// The time axis: the labels' values when they are numbers, else the number
// each ends in, else the time point's index; never an order the labels do
// not have.
TEST(PanelDesign, TimesFromTheLabels) {
    PanelDesign d = panel_design(design_tsv({"0", "2", "4", "8", "24"}, 2), "design.tsv");
    EXPECT_EQ(d.ntime, 5);
    EXPECT_EQ(d.nrep, 2);
    EXPECT_EQ(d.times, (std::vector<double>{0, 2, 4, 8, 24}));
    EXPECT_EQ(d.time_title, "time");
    EXPECT_EQ(d.replicate_labels, (std::vector<std::string>{"R1", "R2"}));
    EXPECT_EQ(d.samples[3], "s1_2");
    d = panel_design(design_tsv({"alpha0", "alpha7", "alpha119"}, 1), "design.tsv");
    EXPECT_EQ(d.times, (std::vector<double>{0, 7, 119}));
    EXPECT_EQ(d.time_title, "time (the number in each time label)");
    for (const auto& labels : {std::vector<std::string>{"early", "late"},
                               std::vector<std::string>{"d1_5", "d2_3"}}) {
        d = panel_design(design_tsv(labels, 1), "design.tsv");
        EXPECT_EQ(d.times, (std::vector<double>{1, 2}));
        EXPECT_EQ(d.time_title, "time point");
    }
    // Rows out of the design's order, or not a design.tsv at all.
    std::string swapped = design_tsv({"0", "2"}, 2);
    swapped.replace(swapped.find("\t1\t2\n"), 5, "\t2\t2\n");
    for (const std::string& bad : {swapped, std::string("sample\ttime\n"), design_tsv({"0"}, 2)}) {
        try {
            panel_design(bad, "d.tsv");
            ADD_FAILURE() << bad;
        } catch (const RunError& e) {
            EXPECT_EQ(e.status, kExitInput);
            EXPECT_EQ(std::string(e.what()).rfind("d.tsv:", 0), 0u) << e.what();
        }
    }
}

// Text for XML of any bytes: markup characters escaped, control characters
// and bytes that are not UTF-8 shown as \xHH, letters of any script kept.
TEST(PanelDesign, XmlEscapeHoldsAnyBytes) {
    EXPECT_EQ(xml_escape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(xml_escape("G\xC3\xA9ne\xE2\x82\xAC\xF0\x9F\xA7\xAC"), "G\xC3\xA9ne\xE2\x82\xAC\xF0\x9F\xA7\xAC");
    EXPECT_EQ(xml_escape(std::string("x\x01y\x7f\xff\xC3", 6)), "x\\x01y\x7f\\xff\\xc3");
    EXPECT_EQ(xml_escape("\xE2\x82z\ttab"), "\\xe2\\x82z&#9;tab");
}

// Mistyped ids: the same letters in another case first, then the nearest
// by edits, nothing far off.
TEST(PanelDesign, NearNamesSuggestTheClosestIds) {
    const std::vector<std::string> ids = {"YBL002W", "YBL003C", "ybl002w", "YDR224C", "HTA1", "hta1"};
    EXPECT_EQ(near_names("YBL002w", ids), (std::vector<std::string>{"YBL002W", "ybl002w", "YBL003C"}));
    EXPECT_EQ(near_names("HTA2", ids), (std::vector<std::string>{"HTA1"}));
    EXPECT_EQ(near_names("Hta1", ids), (std::vector<std::string>{"HTA1", "hta1"}));
    EXPECT_EQ(near_names("CLB2", ids), std::vector<std::string>{});
    EXPECT_EQ(near_names("YDR224", ids, 1), (std::vector<std::string>{"YDR224C"}));
}

// A panel whose ids hold markup characters, quotes and letters beyond
// ASCII is well-formed XML, names both genes escaped, and draws a point per
// value and a stacked cell per replicate and time point.
TEST(PairPanel, WellFormedWithAnyIdsAndADrawingPerValue) {
    const PanelDesign d = panel_design(design_tsv({"0", "2", "4", "8", "24", "48"}, 2), "design.tsv");
    PanelGene a, b;
    a.id = "A&B<1>\"x\"";
    b.id = "G\xC3\xA9ne'\xCE\xB2";
    for (int t = 0; t < 6; ++t)
        for (int r = 0; r < 2; ++r) {
            const bool high = t >= 2 && t <= 4;
            a.values.push_back((high ? 5.0 : 2.0) + 0.1 * r);
            b.values.push_back((high ? 6.0 : 1.0) - 0.1 * r);
        }
    for (PanelGene* g : {&a, &b}) {
        g->mean0.assign(6, g == &a ? 2.0 : 1.0);
        g->mean1.assign(6, g == &a ? 5.0 : 6.0);
        g->sd0.assign(6, 0.5);
        g->sd1.assign(6, 0.5);
    }
    const PairFigures f = pair_figures(
        "3\tA&B<1>\"x\"\tG\xC3\xA9ne'\xCE\xB2\t21.50000000\t0.001\t0.02\t0.95000000\t0.0005\tNaN\t0.95000000\tin\tyes\tyes",
        "pairs.tsv");
    const PairPanel panel = make_pair_panel(d, false, a, b, f, 45);
    const std::string svg = pair_panel_svg(panel);
    ScratchDir dir;
    write_file(dir / "panel.svg", svg);
    if (std::system("command -v xmllint >/dev/null 2>&1") == 0)
        EXPECT_EQ(std::system(("xmllint --noout '" + (dir / "panel.svg").string() + "'").c_str()), 0);
    else
        std::printf("xmllint not installed: well-formedness not checked\n");
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_NE(svg.find("<title>A&amp;B&lt;1&gt;&quot;x&quot; and G\xC3\xA9ne&#39;\xCE\xB2</title>"),
              std::string::npos);
    EXPECT_EQ(svg.find("A&B"), std::string::npos);
    EXPECT_NE(svg.find("rank 3 of 45 pairs"), std::string::npos);
    EXPECT_NE(svg.find("p = 0.001, adjusted p = 0.02"), std::string::npos);
    EXPECT_NE(svg.find("p = 0.0005, adjusted p = NaN"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "<circle cx"), 2u * 12 + 2);  // the values, and the legend's two
    EXPECT_EQ(occurrences(svg, "<g><title>replicate "), 12u);
    EXPECT_NE(svg.find(">high 5<"), std::string::npos);
    // The same data give the same bytes.
    EXPECT_EQ(pair_panel_svg(make_pair_panel(d, false, a, b, f, 45)), svg);
}
