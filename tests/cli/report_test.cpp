#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The example table with ids that markup, quotes and other scripts test:
// 8 genes, 8 time points x 2 replicates.
std::string odd_table() {
    std::string t = switching_table(8, 8, 2, 3);
    const char* ids[] = {"A&B<1>", "x>y'z", "G\xC3\xA9ne-\xCE\xB2"};
    for (int g = 1; g <= 3; ++g) {
        const std::string from = "\ngene-" + std::to_string(g) + ":x\t";
        t.replace(t.find(from), from.size(), "\n" + std::string(ids[g - 1]) + "\t");
    }
    return t;
}

// The SVG of the panel of rank `rank` in report.html.
std::string page_panel(const std::string& html, int rank) {
    const std::string open = "<div class=\"panel\" id=\"pair-" + std::to_string(rank) + "\">\n";
    const std::size_t at = html.find(open);
    if (at == std::string::npos) return "";
    const std::size_t from = at + open.size();
    return html.substr(from, html.find("</div>", from) - from);
}

// Parse errors of the HTML parser but those about SVG elements, which its
// HTML 4 vocabulary lacks and any current browser reads.
std::string html_errors(const fs::path& page, const fs::path& scratch) {
    const fs::path log = scratch / "xmllint.log";
    std::system(("xmllint --html --noout '" + page.string() + "' 2> '" + log.string() + "'").c_str());
    const std::set<std::string> svg = {"svg",   "g",     "rect",           "line", "polyline",
                                       "circle", "text", "title",          "path", "defs",
                                       "stop",  "tspan", "lineargradient"};
    std::istringstream in(read_file(log));
    std::string out;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("error : ");
        if (at == std::string::npos) continue;
        const std::string msg = line.substr(at + 8);
        if (msg.rfind("Tag ", 0) == 0 && msg.size() > 12 &&
            msg.compare(msg.size() - 8, 8, " invalid") == 0 &&
            svg.count(msg.substr(4, msg.size() - 12)) == 1)
            continue;
        out += line + "\n";
    }
    return out;
}

// Every SVG of the text, each checked on its own as XML.
void expect_svgs_well_formed(const std::string& text, const fs::path& scratch, std::size_t expected) {
    std::size_t n = 0;
    for (std::size_t at = text.find("<svg"); at != std::string::npos; at = text.find("<svg", at + 1)) {
        const std::size_t end = text.find("</svg>", at) + 6;
        const fs::path file = scratch / ("svg" + std::to_string(++n) + ".svg");
        write_file(file, text.substr(at, end - at));
        EXPECT_EQ(std::system(("xmllint --noout '" + file.string() + "'").c_str()), 0) << file;
    }
    EXPECT_EQ(n, expected);
}

}  // namespace

// report.html: a panel per top pair, the heatmap and the pair table in one
// page that parses as HTML, every SVG in it well-formed XML, with ids that
// hold markup characters, apostrophes and other scripts (a double quote is
// refused as the table is read); values.tsv holds the values analysed,
// exactly.
TEST(Report, APanelPerTopPairInAPageThatParses) {
    ScratchDir d;
    write_file(d / "table.tsv", odd_table());
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "20",
                                        "--report-pairs", "5", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = read_file(d / "out" / "report.html");
    EXPECT_EQ(occurrences(html, "<div class=\"panel\""), 5u);
    EXPECT_EQ(occurrences(html, "<tr><td class=\"n\">"), 28u);
    EXPECT_NE(html.find("The best 28 of 28 pairs"), std::string::npos);
    EXPECT_NE(html.find("upper triangle: dependence statistic"), std::string::npos) << "the heatmap";
    EXPECT_NE(html.find("<td>A&amp;B&lt;1&gt;</td>"), std::string::npos);
    EXPECT_NE(html.find("x&gt;y&#39;z"), std::string::npos);
    EXPECT_EQ(html.find("A&B"), std::string::npos);
    EXPECT_EQ(html.find("http://w"), html.find("http://www.w3.org/2000/svg")) << "no other address";
    EXPECT_EQ(html.find("src=\"http"), std::string::npos);
    // The values analysed: the table's, row for row, in design order, each
    // the same double in its shortest text ("1.830" is "1.83").
    std::istringstream table(odd_table()), values(read_file(d / "out" / "values.tsv"));
    std::string a, b;
    std::getline(table, a);
    std::getline(values, b);
    EXPECT_EQ("gene" + a.substr(2), b);
    int rows = 0;
    while (std::getline(table, a) && std::getline(values, b)) {
        ++rows;
        std::istringstream ca(a), cb(b);
        std::string x, y;
        std::getline(ca, x, '\t');
        std::getline(cb, y, '\t');
        EXPECT_EQ(x, y);
        while (std::getline(ca, x, '\t') && std::getline(cb, y, '\t')) {
            EXPECT_EQ(std::strtod(x.c_str(), nullptr), std::strtod(y.c_str(), nullptr)) << x << " " << y;
            EXPECT_LE(y.size(), x.size()) << y;
        }
        EXPECT_TRUE(ca.eof() && cb.eof()) << a << "\n" << b;
    }
    EXPECT_EQ(rows, 8);
    EXPECT_FALSE(std::getline(values, b));
    EXPECT_FALSE(fs::exists(d / "out" / "time_densities.tsv"));

    if (!have("xmllint")) GTEST_SKIP() << "xmllint not installed (scripts/install-deps.sh installs it)";
    EXPECT_EQ(html_errors(d / "out" / "report.html", d.path()), "");
    expect_svgs_well_formed(html, d.path(), 6);

    // By default 50 panels, or every pair when there are fewer.
    r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "5", "-o",
                                   "all", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(occurrences(read_file(d / "all" / "report.html"), "<div class=\"panel\""), 28u);
}

// A run of many pairs: the page's table holds the best 5000 and says so,
// and the page stays small, heatmap included.
TEST(Report, BoundedPageOnLargeRuns) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(120, 6, 1, 4));
    const auto r = run_program(d.path(), "", {"scan", "table.tsv", "--bootstrap", "1", "--report-pairs",
                                              "2", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = read_file(d / "out" / "report.html");
    EXPECT_EQ(occurrences(html, "<tr><td class=\"n\">"), 5000u);
    EXPECT_NE(html.find("The best 5000 of 7140 pairs by dependence p-value (the page holds no more; "
                        "pairs.tsv has every pair)"), std::string::npos);
    EXPECT_NE(html.find("upper triangle: dependence statistic"), std::string::npos);
    EXPECT_LT(html.size(), 1500000u);
}

// plot draws a pair of the folder exactly as report.html does, whichever
// gene comes first, to a new file or standard output; it never overwrites,
// and unknown or dropped genes are errors that say what to give instead.
TEST(Plot, SameBytesAsTheReportPanel) {
    ScratchDir d;
    write_file(d / "table.tsv", odd_table() + "dropped\t1" + std::string(15, '\t') + "\n");
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "20",
                                        "--report-pairs", "4", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = read_file(d / "out" / "report.html");
    const std::string pairs = read_file(d / "out" / "pairs.tsv");
    for (int rank : {1, 4}) {
        std::size_t at = 0;
        for (int k = 0; k < rank; ++k) at = pairs.find('\n', at) + 1;
        const std::string row = pairs.substr(at, pairs.find('\n', at) - at);
        const std::size_t t1 = row.find('\t'), t2 = row.find('\t', t1 + 1), t3 = row.find('\t', t2 + 1);
        const std::string g1 = row.substr(t1 + 1, t2 - t1 - 1), g2 = row.substr(t2 + 1, t3 - t2 - 1);
        const std::string panel = page_panel(html, rank);
        ASSERT_FALSE(panel.empty());
        const std::string file = "pair" + std::to_string(rank) + ".svg";
        r = run_program(d.path(), "", {"plot", "out", g2, g1, "-o", file});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(d / file), panel) << g1 << " " << g2;
        r = run_program(d.path(), "", {"plot", "out", g1, g2});
        EXPECT_EQ(r.out, panel);
        // Never over an existing file.
        r = run_program(d.path(), "", {"plot", "out", g1, g2, "-o", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(read_file(d / file), panel);
    }
    r = run_program(d.path(), "", {"plot", "out", "GENE-4:X", "gene-5:x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no gene \"GENE-4:X\" among the 8 kept genes; did you mean \"gene-4:x\""),
              std::string::npos) << r.err;
    r = run_program(d.path(), "", {"plot", "out", "gene-5:x", "A&B<2>"});
    EXPECT_NE(r.err.find("did you mean \"A&B<1>\"?"), std::string::npos) << r.err;
    r = run_program(d.path(), "", {"plot", "out", "dropped", "gene-5:x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("genes.tsv:10: gene \"dropped\" was not analysed (dropped: missing values: 15 of "
                         "16 (> 0.2))"),
              std::string::npos) << r.err;
    r = run_program(d.path(), "", {"plot", "out", "gene-5:x", "gene-5:x"});
    EXPECT_EQ(r.status, 2);
    r = run_program(d.path(), "", {"plot", "table.tsv", "gene-5:x", "gene-4:x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("table.tsv/design.tsv"), std::string::npos) << r.err;
    r = run_program(d.path(), "", {"plot", "out", "gene-5:x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("coswitch plot DIR GENE1 GENE2"), std::string::npos) << r.err;
}

// Densities per time point, gzip files: the folder keeps the densities in
// time_densities.tsv and plot reads the compressed tables alike.
TEST(Plot, TimeModeAndCompressedFolder) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(5, 6, 2, 8));
    write_file(d / "p1.txt", "2 2.1 2 1.9 2 2\n0.6 0.6 0.5 0.6 0.6 0.7\n");
    write_file(d / "p2.txt", "5 5 5.2 5 4.9 5\n0.6 0.6 0.6 0.6 0.5 0.6\n");
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "10",
                                        "--para1", "p1.txt", "--para2", "p2.txt", "--mode", "T",
                                        "--gzip", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(d / "out" / "time_densities.tsv"),
              "time_index\tmean0\tsd0\tmean1\tsd1\n1\t2\t0.6\t5\t0.6\n2\t2.1\t0.6\t5\t0.6\n"
              "3\t2\t0.5\t5.2\t0.6\n4\t1.9\t0.6\t5\t0.6\n5\t2\t0.6\t4.9\t0.5\n6\t2\t0.7\t5\t0.6\n");
    EXPECT_TRUE(fs::exists(d / "out" / "values.tsv.gz"));
    const std::string html = read_file(d / "out" / "report.html");
    EXPECT_NE(page_panel(html, 1).find("state means (low, high), per time point"), std::string::npos);
    for (int rank = 1; rank <= 10; ++rank) {
        const std::string panel = page_panel(html, rank);
        const std::size_t t = panel.find("<title>") + 7;
        const std::string title = panel.substr(t, panel.find("</title>") - t);
        const std::size_t and_at = title.find(" and ");
        r = run_program(d.path(), "", {"plot", "out", title.substr(0, and_at), title.substr(and_at + 5)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, panel) << title;
    }
}
