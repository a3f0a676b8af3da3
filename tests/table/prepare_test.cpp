#include "table/prepare.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "table/columns.hpp"
#include "table/table_files.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {

// Columns a..f; the design uses b, a, d, c (times 1, 2 with 2 replicates).
const char* kTable =
    "id\ta\tb\tc\td\te\tf\n"
    "g1\t1\t2\t3\t4\tNA\t\n"
    "g2\t1\tNA\t3\t\t5\t6\n"
    "g3\t5\t5\t5\t5\t1\t2\n"
    "g4\t0\t1\t3\t7\t0\t0\n"
    "g5\t8\t8\t8\t9\t8\t8\n";

GeneList list_of(std::vector<std::string> ids) {
    GeneList l;
    l.name = "list.txt";
    l.ids = std::move(ids);
    for (std::size_t k = 0; k < l.ids.size(); ++k) l.lines.push_back(k + 1);
    return l;
}

}  // namespace

TEST(PrepareGenes, StatusesAndTheRunLayout) {
    ScratchDir dir;
    const NamedTable t = table_from(dir, kTable);
    const Design d = design_by_order(t, select_columns(t, "b,a,d,c"), 2);
    const Prepared p = prepare_genes(t, d, GeneOptions{});
    EXPECT_EQ(p.status, (std::vector<GeneStatus>{GeneStatus::Kept, GeneStatus::DroppedMissing,
                                                 GeneStatus::DroppedConstant, GeneStatus::Kept,
                                                 GeneStatus::Kept}));
    EXPECT_EQ(p.ids, (std::vector<std::string>{"g1", "g4", "g5"}));
    EXPECT_EQ(p.lines, (std::vector<std::uint64_t>{2, 5, 6}));
    EXPECT_EQ(p.count(GeneStatus::Kept), 3u);
    // Row (t-1)*NREP + r, column = kept gene: time 1 is b, a; time 2 is d, c.
    EXPECT_EQ(p.MODTCELL44(1, 1), 2);
    EXPECT_EQ(p.MODTCELL44(2, 1), 1);
    EXPECT_EQ(p.MODTCELL44(3, 1), 4);
    EXPECT_EQ(p.MODTCELL44(4, 1), 3);
    EXPECT_EQ(p.MODTCELL44(3, 2), 7);
    EXPECT_EQ(p.MODTCELL44(3, 3), 9);
    EXPECT_EQ(p.MODTCELL44.size(), 12u);

    // A --genes list in another order keeps table order; others are not selected.
    const GeneList list = list_of({"g5", "g2", "g1", "g5"});
    GeneOptions o;
    o.genes = &list;
    const Prepared q = prepare_genes(t, d, o);
    EXPECT_EQ(q.ids, (std::vector<std::string>{"g1", "g5"}));
    EXPECT_EQ(q.count(GeneStatus::NotSelected), 2u);
    EXPECT_EQ(q.status[1], GeneStatus::DroppedMissing);
    EXPECT_STREQ(status_word(q.status[3]), "not selected");
    EXPECT_STREQ(status_reason(q.status[1]), "missing value");

    const GeneList unknown = list_of({"x1", "g1", "x2", "x3", "x4", "x5", "x6", "x7"});
    o.genes = &unknown;
    EXPECT_EQ(input_error([&] { prepare_genes(t, d, o); }),
              "list.txt: 7 id(s) not in t.tsv: \"x1\" (line 1; did you mean \"g1\"?), \"x2\" "
              "(line 3; did you mean \"g2\"?), \"x3\" (line 4; did you mean \"g3\"?), \"x4\" "
              "(line 5; did you mean \"g4\"?), \"x5\" (line 6; did you mean \"g5\"?) and 2 more");

    // --missing fail names the first missing cell in table order, not design order.
    o.genes = nullptr;
    o.missing = MissingRule::Fail;
    const Design all = design_by_order(t, select_columns(t, "d,b,c,a"), 1);
    EXPECT_EQ(input_error([&] { prepare_genes(t, all, o); }),
              "t.tsv:3: gene \"g2\": missing value in column \"b\" (--missing fail)");
}

TEST(PrepareGenes, TransformsBeforeTheVariationCheck) {
    ScratchDir dir;
    const NamedTable t = table_from(dir,
                                    "id\ta\tb\tc\n"
                                    "g1\t0\t3\t7\n"
                                    "g2\t0.5\t0.25\t8\n"
                                    "g3\t-3\tNA\t1\n");  // dropped before any transform
    const Design d = design_by_order(t, select_columns(t, ""), 1);
    GeneOptions o;
    o.transform = Transform::Log2p1;
    const Prepared p = prepare_genes(t, d, o);
    EXPECT_EQ(p.MODTCELL44(1, 1), 0);
    EXPECT_EQ(p.MODTCELL44(2, 1), 2);
    EXPECT_EQ(p.MODTCELL44(3, 1), 3);
    EXPECT_EQ(p.MODTCELL44(3, 2), std::log2(9.0));

    const NamedTable pos = table_from(dir, "id\ta\tb\ng1\t0.5\t0.5\ng2\t0.25\t8\n", "p.tsv");
    o.transform = Transform::Log2;
    const Prepared q = prepare_genes(pos, design_by_order(pos, {0, 1}, 1), o);
    EXPECT_EQ(q.status[0], GeneStatus::DroppedConstant);
    EXPECT_EQ(q.MODTCELL44(1, 1), -2);

    EXPECT_EQ(input_error([&] { prepare_genes(t, d, o); }),
              "t.tsv:2: gene \"g1\", column \"a\": --transform log2 needs values above 0, not 0; "
              "--transform log2p1 takes log2(x + 1), which is 0 at 0");
    const NamedTable neg = table_from(dir, "id\ta\tb\ng1\t1\t-1\n", "n.tsv");
    o.transform = Transform::Log2p1;
    EXPECT_EQ(input_error([&] {
                  prepare_genes(neg, design_by_order(neg, {0, 1}, 1), o);
              }),
              "n.tsv:2: gene \"g1\", column \"b\": --transform log2p1 needs values above -1, "
              "not -1");

    EXPECT_EQ(parse_transform("log2p1"), Transform::Log2p1);
    EXPECT_TRUE(contains(input_error([] { parse_transform("log"); }), "--transform: \"log\""));
    EXPECT_TRUE(contains(input_error([] { parse_missing_rule("keep"); }), "--missing: \"keep\""));
}

// --missing model: a gene keeps its holes (NaN in the run's layout) while
// it misses no more than --max-missing of its used values; the design's
// holes are missing for every gene but count against none.
TEST(PrepareGenes, MissingModelKeepsHolesUpToTheLargestShare) {
    ScratchDir dir;
    std::string text = "id";
    for (int s = 1; s <= 10; ++s) text += "\ts" + std::to_string(s);
    text += "\n";
    // gK misses its first K values; "flat" misses one and has no variation.
    for (int k = 0; k <= 3; ++k) {
        text += "g" + std::to_string(k);
        for (int s = 1; s <= 10; ++s) text += s <= k ? "\tNA" : "\t" + std::to_string(s % 4);
        text += "\n";
    }
    text += "flat\t7\t7\t7\t7\t7\t7\t7\t7\t7\t\n";
    text += "few\t3\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t\n";
    const NamedTable t = table_from(dir, text);
    const Design d = design_by_order(t, select_columns(t, ""), 2);
    GeneOptions o;
    o.missing = MissingRule::Model;
    const Prepared p = prepare_genes(t, d, o);
    EXPECT_EQ(p.ids, (std::vector<std::string>{"g0", "g1", "g2"}));
    EXPECT_EQ(p.missing, (std::vector<std::size_t>{0, 1, 2, 3, 1, 9}));
    EXPECT_EQ(p.status[3], GeneStatus::DroppedTooMissing);
    EXPECT_EQ(p.reason(3), "missing values: 3 of 10 (> 0.2)");  // 2 of 10 is not above
    EXPECT_EQ(p.status[4], GeneStatus::DroppedConstant);
    EXPECT_EQ(p.reason(4), "no variation");
    EXPECT_EQ(p.reason(0), "");
    EXPECT_TRUE(std::isnan(p.MODTCELL44(1, 3)) && std::isnan(p.MODTCELL44(2, 3)));
    EXPECT_EQ(p.MODTCELL44(3, 3), 3);
    // Under drop the same genes are dropped at their first missing value.
    o.missing = MissingRule::Drop;
    EXPECT_EQ(prepare_genes(t, d, o).ids, (std::vector<std::string>{"g0"}));
    EXPECT_EQ(prepare_genes(t, d, o).reason(1), "missing value");
    EXPECT_EQ(prepare_genes(t, d, o).missing, p.missing);  // every one counted, not the first

    // Every share allowed: a single value left is still no fit.
    o.missing = MissingRule::Model;
    o.max_missing = 1;
    const Prepared all = prepare_genes(t, d, o);
    EXPECT_EQ(all.ids, (std::vector<std::string>{"g0", "g1", "g2", "g3"}));
    EXPECT_EQ(all.reason(5), "too few values: 9 of 10 missing (a fit needs 2 values)");
    o.max_missing = 0.3;
    EXPECT_EQ(prepare_genes(t, d, o).ids.size(), 4u);  // 3 of 10 is not above 0.3

    // A hole in the design: NaN in every gene's row, under the model only.
    Design holes = d;
    holes.columns[0] = Design::kHole;  // s1 is not used
    o.max_missing = 0.2;
    const Prepared h = prepare_genes(t, holes, o);
    EXPECT_EQ(h.ids, (std::vector<std::string>{"g0", "g1", "g2"}));
    EXPECT_EQ(h.missing, (std::vector<std::size_t>{0, 0, 1, 2, 1, 9}));
    EXPECT_EQ(h.reason(3), "missing values: 2 of 9 (> 0.2)");
    for (std::size_t g = 1; g <= h.ids.size(); ++g) EXPECT_TRUE(std::isnan(h.MODTCELL44(1, g)));
    EXPECT_EQ(h.MODTCELL44(2, 2), 2);
    o.missing = MissingRule::Drop;
    EXPECT_TRUE(contains(input_error([&] { prepare_genes(t, holes, o); }),
                         "give --missing model to take the absent ones"));

    // A used column empty in every row is refused under the model.
    const NamedTable empty = table_from(dir, "id\ta\tb\tc\ng1\t1\t2\t\ng2\t3\t1\t\n", "e.tsv");
    o.missing = MissingRule::Model;
    EXPECT_EQ(input_error([&] { prepare_genes(empty, design_by_order(empty, {0, 1, 2}, 1), o); }),
              "e.tsv: column \"c\" has no value in any row (a separator at the end of the header "
              "line?); leave it out with --columns");
    // Only the values there are meet the transform's domain.
    const NamedTable logs = table_from(dir, "id\ta\tb\tc\ng1\t1\tNA\t4\ng2\t1\t2\t4\n", "l.tsv");
    o.transform = Transform::Log2;
    o.max_missing = 0.5;
    const Prepared l = prepare_genes(logs, design_by_order(logs, {0, 1, 2}, 1), o);
    EXPECT_EQ(l.MODTCELL44(3, 1), 2);
    EXPECT_TRUE(std::isnan(l.MODTCELL44(2, 1)));
    EXPECT_EQ(parse_missing_rule("model"), MissingRule::Model);
}

TEST(PrepareGenes, GeneListFile) {
    ScratchDir dir;
    write_file(dir / "g.txt", "\r\n  g1 \r\n\r\ng(2) x\t\n");
    const GeneList l = read_gene_list((dir / "g.txt").string(), "g.txt");
    EXPECT_EQ(l.ids, (std::vector<std::string>{"g1", "g(2) x"}));
    EXPECT_EQ(l.lines, (std::vector<std::uint64_t>{2, 4}));
    write_file(dir / "e.txt", "\n \n");
    EXPECT_EQ(input_error([&] { read_gene_list((dir / "e.txt").string(), "e.txt"); }),
              "e.txt: no gene ids in the list");
}

// A gene list file may have comments, blank lines and a header line: a
// first id that is no gene of the table while every other is one. An
// unknown id is named with its line and the ids it may have meant.
TEST(PrepareGenes, GeneListWithAHeaderCommentsAndSuggestions) {
    ScratchDir dir;
    write_file(dir / "g.txt", "# genes of the lab\nsymbol\n\n  # g2 left out\ng5\ng1\n");
    const GeneList l = read_gene_list((dir / "g.txt").string(), "g.txt");
    EXPECT_EQ(l.ids, (std::vector<std::string>{"symbol", "g5", "g1"}));
    EXPECT_EQ(l.lines, (std::vector<std::uint64_t>{2, 5, 6}));
    const NamedTable t = table_from(dir, kTable);
    const Design d = design_by_order(t, select_columns(t, "a,b,c,d"), 1);
    GeneOptions o;
    o.genes = &l;
    const Prepared p = prepare_genes(t, d, o);
    EXPECT_EQ(p.ids, (std::vector<std::string>{"g1", "g5"}));
    EXPECT_EQ(p.list_header, "g.txt:2: \"symbol\" is no id of t.tsv: skipped as a header line");

    // Another unknown id: the first line is no header then, and both are named.
    write_file(dir / "h.txt", "symbol\nG5\ng1\n");
    const GeneList h = read_gene_list((dir / "h.txt").string(), "h.txt");
    o.genes = &h;
    EXPECT_EQ(input_error([&] { prepare_genes(t, d, o); }),
              "h.txt: 2 id(s) not in t.tsv: \"symbol\" (line 1), \"G5\" (line 2; did you mean "
              "\"g5\"?)");
    // A list given in memory has no header line.
    GeneList mem = list_of({"symbol", "g1"});
    o.genes = &mem;
    EXPECT_EQ(input_error([&] { prepare_genes(t, d, o); }),
              "list.txt: 1 id(s) not in t.tsv: \"symbol\" (line 1)");
    // Only comments: no ids.
    write_file(dir / "c.txt", "# none yet\n\n");
    EXPECT_EQ(input_error([&] { read_gene_list((dir / "c.txt").string(), "c.txt"); }),
              "c.txt: no gene ids in the list");
}

TEST(PrepareGenes, YeastAlphaSeries) {
    const std::string path = COSWITCH_SHARED_DIR "/data/spellman1998/spellman1998_combined.tsv";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is absent";
    const NamedTable t = read_named_table(path, "spellman1998_combined.tsv");
    EXPECT_EQ(t.genes(), 6178u);
    const std::vector<std::size_t> alpha = select_columns(t, "alpha0..alpha119");
    const Design d = design_by_order(t, alpha, 1);
    const Prepared p = prepare_genes(t, d, GeneOptions{});
    EXPECT_EQ(p.NTIME, 18u);
    EXPECT_EQ(p.NREP, 1u);
    EXPECT_EQ(p.kept.size(), 4489u);
    EXPECT_EQ(p.count(GeneStatus::DroppedMissing), 6178u - 4489u);
    EXPECT_EQ(d.time_labels.front(), "alpha0");
    EXPECT_EQ(d.time_labels.back(), "alpha119");
    const std::size_t last = p.kept.size();
    for (std::size_t time = 1; time <= 18; ++time)
        EXPECT_EQ(p.MODTCELL44(time, last), t.value(p.kept.back(), alpha[time - 1]));
}

TEST(PrepareGenes, CountsPerMillionOverEveryGeneOfTheTable) {
    ScratchDir dir;
    // Sums a 10, b 8 (the missing value left out), c 7: g3 is not selected
    // but counts in every sample's sum.
    const NamedTable t = table_from(dir,
                                    "id\ta\tb\tc\n"
                                    "g1\t1\t3\t0\n"
                                    "g2\t2\tNA\t1\n"
                                    "g3\t5\t1\t4\n"
                                    "g4\t2\t4\t2\n");
    const Design d = design_by_order(t, select_columns(t, ""), 1);
    const GeneList list = list_of({"g1", "g2", "g4"});
    GeneOptions o;
    o.genes = &list;
    o.normalise = Normalise::Cpm;
    const Prepared p = prepare_genes(t, d, o);
    EXPECT_EQ(p.libraries.sums, (std::vector<double>{10, 8, 7}));
    EXPECT_EQ(p.ids, (std::vector<std::string>{"g1", "g4"}));
    EXPECT_EQ(p.status[1], GeneStatus::DroppedMissing);
    EXPECT_EQ(p.MODTCELL44(1, 1), 100000);
    EXPECT_EQ(p.MODTCELL44(2, 1), 375000);
    EXPECT_EQ(p.MODTCELL44(3, 1), 0);
    EXPECT_EQ(p.MODTCELL44(3, 2), 2.0 / 7 * 1e6);  // divided first: 2e6 / 7 is one ulp above
    EXPECT_NE(p.MODTCELL44(3, 2), 2e6 / 7);
    EXPECT_FALSE(p.libraries.raw_counts());  // whole, but below 1000

    // A negative value, even of a gene not selected, and a sample without counts.
    const GeneList first = list_of({"g1"});
    o.genes = &first;
    const NamedTable neg = table_from(dir, "id\ta\tb\ng1\t1\t2\ng2\t3\t-0.5\n", "n.tsv");
    EXPECT_EQ(input_error([&] { prepare_genes(neg, design_by_order(neg, {0, 1}, 1), o); }),
              "n.tsv:3: gene \"g2\", column \"b\": --normalise cpm needs counts of 0 or more, "
              "not -0.5");
    const NamedTable zero = table_from(dir, "id\ta\tb\ng1\t1\t0\ng2\t3\tNA\n", "z.tsv");
    EXPECT_EQ(input_error([&] { prepare_genes(zero, design_by_order(zero, {0, 1}, 1), o); }),
              "z.tsv: column \"b\": its values sum to 0 over all 2 genes of the table (missing "
              "ones left out), so it has no counts per million (--normalise cpm)");
    EXPECT_TRUE(contains(input_error([] { parse_normalise("tpm"); }), "--normalise: \"tpm\""));
}

TEST(PrepareGenes, RawCountsAreRecognisedOverTheSelectedGenes) {
    ScratchDir dir;
    const NamedTable t = table_from(dir,
                                    "id\ta\tb\tc\td\n"
                                    "g1\t0\t1500\t20\t9000\n"
                                    "g2\t2.5\t7\t70000\t1\n"  // not selected
                                    "g3\t12\tNA\t4000\t3\n");
    const Design d = design_by_order(t, select_columns(t, "a,b,c"), 1);
    const GeneList list = list_of({"g1", "g3"});
    GeneOptions o;
    o.genes = &list;
    const Prepared p = prepare_genes(t, d, o);
    EXPECT_TRUE(p.libraries.raw_counts());
    EXPECT_EQ(p.libraries.smallest, 0);
    EXPECT_EQ(p.libraries.largest, 4000);  // not g2's 70000, nor column d
    EXPECT_EQ(p.note,
              "t.tsv: the values look like raw counts and the samples' sums differ 5104.8-fold "
              "(14.5 in column \"a\" to 74020 in column \"c\"); give --normalise cpm to compare "
              "counts per million");
    o.normalise = Normalise::Cpm;
    EXPECT_EQ(prepare_genes(t, d, o).note, "");
    o.genes = nullptr;  // g2's 2.5 is looked at now
    EXPECT_FALSE(prepare_genes(t, d, o).libraries.raw_counts());
}
