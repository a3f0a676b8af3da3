#include "table/design.hpp"

#include <gtest/gtest.h>

#include "table/columns.hpp"
#include "table/design_check.hpp"
#include "table/design_file.hpp"
#include "table/design_samples.hpp"
#include "table/table_files.hpp"

using namespace coswitch;
using namespace coswitch::testing;
using Columns = std::vector<std::size_t>;

TEST(Columns, NamesRangesPatternsAndTheirErrors) {
    const NamedTable t = header_only_table({"a0", "a7", "a14", "b0", "b7", "x..y", "dup", "dup"});
    EXPECT_EQ(select_columns(t, ""), (Columns{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(select_columns(t, "a7,a0"), (Columns{1, 0}));  // in the order given
    EXPECT_EQ(select_columns(t, "a0..a14,b7"), (Columns{0, 1, 2, 4}));
    EXPECT_EQ(select_columns(t, "x..y"), (Columns{5}));  // a name, not a range
    EXPECT_EQ(select_columns(t, "b0,~a\\d{1,2}"), (Columns{3, 0, 1, 2}));
    EXPECT_EQ(select_columns(t, "~a1.*"), (Columns{2}));

    auto error = [&](const std::string& list) {
        return input_error([&] { select_columns(t, list); });
    };
    EXPECT_EQ(error("a0,zz,a0..qq,yy..b0"),
              "--columns: no column named \"zz\", \"qq\", \"yy\" in t.tsv");
    EXPECT_TRUE(contains(error("a14..a0"), "runs backwards"));
    EXPECT_EQ(error("a0,a0..a7"), "--columns: column \"a0\" is selected twice");
    EXPECT_EQ(error("dup"), "--columns: \"dup\" names columns 8 and 9 of t.tsv");
    EXPECT_TRUE(contains(error("~a1"), "matches no column of t.tsv"));  // whole names only
    EXPECT_TRUE(contains(error("~(a"), "--columns: bad pattern \"(a\""));
    EXPECT_TRUE(contains(error("a0,"), "empty item"));
}

TEST(Design, ByColumnOrderWithReplicatesAndItsText) {
    const NamedTable t = header_only_table({"", "s1", "s2", "s3", "s4", "s5", "s6"});
    const Design d = design_by_order(t, {1, 2, 3, 4, 5, 6}, 2);
    EXPECT_EQ(d.NTIME, 3u);
    EXPECT_EQ(d.NREP, 2u);
    EXPECT_EQ(d.column(2, 1), 3u);
    EXPECT_EQ(d.column(3, 2), 6u);
    EXPECT_EQ(design_text(d, t),
              "design: 3 time points x 2 replicates (--replicates 2)\n"
              "  time 1 (1): s1, s2\n  time 2 (2): s3, s4\n  time 3 (3): s5, s6\n"
              "  replicates: 1, 2\n");
    const Design one = design_by_order(t, {0, 6}, 1);
    EXPECT_EQ(one.time_labels, (std::vector<std::string>{"column 2", "s6"}));
    EXPECT_EQ(design_tsv(one, t),
              "sample\ttime\treplicate\ttime_index\treplicate_index\n"
              "column 2\tcolumn 2\t1\t1\t1\ns6\ts6\t1\t2\t1\n");

    EXPECT_EQ(input_error([&] {
                  design_by_order(t, {1, 2, 3, 4, 5, 6}, 4);
              }),
              "--replicates 4: 6 selected columns of t.tsv are not a multiple of 4");
    EXPECT_TRUE(contains(input_error([&] { design_by_order(t, {1, 2}, 2); }), "at least 2"));
}

TEST(Design, FromFileInNumericTimeOrder) {
    const NamedTable t =
        header_only_table({"h48_b", "h3_b", "h24_b", "h48_a", "h3_a", "h24_a", "other"});
    const Columns all = select_columns(t, "");
    ScratchDir dir;
    auto design = [&](const std::string& text) {
        write_file(dir / "d.csv", text);
        return design_from_file(t, all, (dir / "d.csv").string(), "d.csv");
    };
    const Design d = design(
        "sample,time,replicate\r\nh48_b,48,b\r\nh3_b,3,b\r\n\r\nh24_b,24,b\r\nh48_a,48,a\r\n"
        "h3_a,3.0,a\r\nh24_a,24,a\r\n");
    EXPECT_EQ(d.time_labels, (std::vector<std::string>{"3", "24", "48"}));  // not text order
    EXPECT_EQ(d.replicate_labels, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.columns, (Columns{4, 1, 5, 2, 3, 0}));  // "other" is not used
    // Numeric replicate labels in numeric order; a first line with a numeric time is data.
    const Design n = design("h3_a\t3\t10\nh3_b\t3\t9\nh24_a\t24\t10\nh24_b\t24\t9\n");
    EXPECT_EQ(n.replicate_labels, (std::vector<std::string>{"9", "10"}));
    EXPECT_EQ(n.column(1, 1), 1u);

    auto error = [&](const std::string& text) { return input_error([&] { design(text); }); };
    EXPECT_EQ(error("h3_a,3,1\nzz,3,2\nh24_a,24,1\nyy,24,2\n"),
              "d.csv: 2 sample(s) not among the selected columns of t.tsv: \"zz\" (line 2), "
              "\"yy\" (line 4)");
    EXPECT_EQ(error("h3_a,3,1\nh3_a,24,1\n"), "d.csv:2: sample \"h3_a\" again (first on line 1)");
    EXPECT_EQ(error("h3_a,3,1\nh3_b,3,1\n"),
              "--design d.csv: d.csv:1 and d.csv:2 are both time 3, replicate 1");
    EXPECT_EQ(error("h3_a,3,1\nh3_b,3,2\nh24_a,24,1\n"),
              "--design d.csv: time points have different numbers of replicates "
              "(time: replicates): 3: 2, 24: 1 (give --missing model to take the absent "
              "ones as missing values of every gene)");
    EXPECT_EQ(error("h3_a,3,1\nh3_b,3,2\nh24_a,24,1\nh24_b,24,3\n"),
              "--design d.csv: time 3 has no replicate 3; every time point needs the same "
              "replicates (give --missing model to take the absent ones as missing values "
              "of every gene)");
    EXPECT_EQ(error("h3_a,3,1\nh3_b,3h,1\n"), "d.csv:2: time \"3h\" is not a number");
    EXPECT_EQ(error("h3_a,3,1\nh3_b,3\n"),
              "d.csv:2: 2 cells; a design line holds sample, time, replicate");
    EXPECT_TRUE(contains(error("h3_a,3,1\nh3_b,3,2\n"), "1 time point(s); a run needs at least 2"));
}

// Holes, when allowed: the cell of a replicate a time point lacks has no
// sample; the texts show it; holes may not outnumber the samples.
TEST(Design, HolesWhereATimePointLacksAReplicate) {
    const NamedTable t = header_only_table({"t1_a", "t1_b", "t2_a", "t3_b", "t3_a"});
    const Columns all = select_columns(t, "");
    const Design d = design_from_samples(t, all, "t(\\d+)_(\\w)", true);
    EXPECT_EQ(d.NTIME, 3u);
    EXPECT_EQ(d.NREP, 2u);
    EXPECT_EQ(d.columns, (Columns{0, 1, 2, Design::kHole, 4, 3}));
    EXPECT_EQ(d.holes(), 1u);
    EXPECT_EQ(d.samples(), (Columns{0, 1, 2, 4, 3}));
    const std::string text = design_text(d, t);
    EXPECT_TRUE(contains(text, "\n  time 2 (2): t2_a, -\n")) << text;
    EXPECT_TRUE(contains(text, "\n  holes (-): 1 of 6 cells have no sample; their values are "
                               "missing for every gene\n"));
    EXPECT_TRUE(contains(design_tsv(d, t), "\nt2_a\t2\ta\t2\t1\n\t2\tb\t2\t2\nt3_a\t"));
    // Balanced, the same design either way.
    const Design b = design_from_samples(t, {0, 1, 3, 4}, "t(\\d+)_(\\w)", true);
    EXPECT_EQ(b.columns, design_from_samples(t, {0, 1, 3, 4}, "t(\\d+)_(\\w)").columns);
    EXPECT_EQ(b.holes(), 0u);
    EXPECT_FALSE(contains(design_text(b, t), "holes"));
    // Labels that barely repeat make a grid mostly of holes.
    const NamedTable wide = header_only_table({"t1_a", "t2_b", "t3_c", "t4_d", "t4_a"});
    EXPECT_EQ(input_error([&] {
                  design_from_samples(wide, select_columns(wide, ""), "t(\\d+)_(\\w)", true);
              }),
              "--samples t(\\d+)_(\\w): 4 time points x 4 replicates leave 11 cells without a "
              "sample, more than the 5 samples: check the capture groups (the time first, then "
              "the replicate)");
}

TEST(Design, FromSampleNames) {
    const NamedTable t = header_only_table({"T24_r2", "T3_r1", "ctrl", "T24_r1", "T3_r2"});
    const Design d = design_from_samples(t, select_columns(t, ""), "T(\\d+)_r(\\d+)");
    EXPECT_EQ(d.time_labels, (std::vector<std::string>{"3", "24"}));
    EXPECT_EQ(d.columns, (Columns{1, 4, 3, 0}));
    EXPECT_EQ(d.how, "--samples T(\\d+)_r(\\d+)");

    auto error = [&](const std::string& columns, const std::string& pattern) {
        return input_error([&] { design_from_samples(t, select_columns(t, columns), pattern); });
    };
    EXPECT_EQ(error("", "T\\d+_r\\d+"),
              "--samples T\\d+_r\\d+: the pattern needs one capture group (the time) or two "
              "(time, replicate), not 0");
    EXPECT_TRUE(contains(error("", "(T)(\\d+)_r(\\d+)"), "or two (time, replicate), not 3"));
    EXPECT_EQ(error("", "(\\w)(\\w+)"),
              "--samples (\\w)(\\w+): sample \"T24_r2\": time \"T\" is not a number");
    EXPECT_TRUE(contains(error("T24_r2,T3_r1,T3_r2", "T(\\d+)_r(\\d+)"), "3: 2, 24: 1"));
    EXPECT_TRUE(contains(error("ctrl", "T(\\d+)_r(\\d+)"), "matches no selected column"));
}

TEST(Design, FromSampleNamesWithTheTimeAloneNumbersReplicatesInColumnOrder) {
    // Sample ids that tell nothing about the replicate; 3 and 3.0 are one time.
    const NamedTable t = header_only_table(
        {"s97_t3", "s16_t3.0", "s40_t12", "s5_t12", "s8_t0", "s71_t0", "blank"});
    const Design d = design_from_samples(t, select_columns(t, ""), "s\\d+_t([\\d.]+)");
    EXPECT_EQ(d.time_labels, (std::vector<std::string>{"0", "3", "12"}));
    EXPECT_EQ(d.replicate_labels, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(d.columns, (Columns{4, 5, 0, 1, 2, 3}));  // "blank" is not used
    const Design e = design_from_samples(t, select_columns(t, "s16_t3.0,s97_t3,s8_t0,s71_t0"),
                                         "s\\d+_t([\\d.]+)");
    EXPECT_EQ(e.columns, (Columns{4, 5, 1, 0}));  // in the order of selection
}

TEST(Design, PatternsAreRe2AndMatchNamesOfAnyLength) {
    // std::regex matched by recursion, a stack frame a character or so: a
    // name of 30,000 bytes overflowed the stack.
    const std::string pad(40000, 'x');
    const NamedTable t =
        header_only_table({pad + "_0_A", pad + "_0_B", pad + "_6_A", pad + "_6_B", "ctrl"});
    EXPECT_EQ(select_columns(t, "~.*"), (Columns{0, 1, 2, 3, 4}));
    EXPECT_EQ(select_columns(t, "~x+_\\d_[AB]"), (Columns{0, 1, 2, 3}));
    const Design d = design_from_samples(t, select_columns(t, ""), ".*_(\\d+)_(\\w)");
    EXPECT_EQ(d.columns, (Columns{0, 1, 2, 3}));
    EXPECT_EQ(d.replicate_labels, (std::vector<std::string>{"A", "B"}));
    // The check's own suggestion is a pattern --samples takes, long names too.
    const auto p = checked_pattern(t, {0, 1, 2, 3});
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->pattern, pad + "_(\\d+)_([A-Za-z])");
    EXPECT_EQ(design_from_samples(t, {0, 1, 2, 3}, p->pattern).columns, (Columns{0, 1, 2, 3}));
    // What RE2 lacks is refused, saying whose syntax it is.
    EXPECT_TRUE(contains(input_error([&] { select_columns(t, "~(?=x).*"); }),
                         "--columns: bad pattern \"(?=x).*\": "));
    EXPECT_TRUE(contains(input_error([&] {
                             design_from_samples(t, {0, 1}, "(x+)_\\1_(A)");
                         }),
                         "(RE2 syntax: no backreferences or lookaround)"));
    // A long pattern, and RE2's error that repeats it, are cut in the message.
    const std::string bad = "(" + std::string(300, '\x01');
    const std::string said = input_error([&] { design_from_samples(t, {0, 1}, bad); });
    EXPECT_LT(said.size(), 300u) << said;
    EXPECT_TRUE(contains(said, "--samples (\\x01\\x01"));
    EXPECT_TRUE(contains(input_error([&] { select_columns(t, "a,b,~" + bad); }), "\\x01...\": "));
}

TEST(Design, LabelsThatMakeNoDesignAreNamedInMemoryOfTheSamples) {
    // Every sample its own time and replicate: NTIME x NREP slots would be
    // 100,000 x 100,000 (80 GB) to report a mistake of the pattern.
    std::vector<std::string> names;
    for (int k = 0; k < 100000; ++k)
        names.push_back("s" + std::to_string(k) + "_x" + std::to_string(k));
    const NamedTable t = header_only_table(names);
    const Columns all = select_columns(t, "");
    EXPECT_EQ(input_error([&] { design_from_samples(t, all, "s(\\d+)_(x\\d+)"); }),
              "--samples s(\\d+)_(x\\d+): every sample is its own time point and replicate "
              "(100000 samples): check the capture groups (the time first, then the replicate)");
    EXPECT_TRUE(contains(input_error([&] {
                             design_from_samples(t, {10, 11, 20, 21}, "s(\\d)\\d_(x\\d+)");
                         }),
                         "every sample is its own replicate (4 samples)"));

    const NamedTable small = header_only_table({"a", "b", "c", "d"});
    ScratchDir dir;
    write_file(dir / "d.tsv", "a\t1\tr1\nb\t2\tr2\n");
    EXPECT_EQ(input_error([&] {
                  design_from_file(small, {0, 1, 2, 3}, (dir / "d.tsv").string(), "d.tsv");
              }),
              "--design d.tsv: every sample is its own time point and replicate (2 samples): check "
              "its time and replicate columns");
}

TEST(Design, FromFileTheFirstLineIsAHeaderOnlyWhenItLooksLikeOne) {
    const NamedTable t = header_only_table({"t1", "t2", "t3", "t4"});
    ScratchDir dir;
    auto design = [&](const std::string& text) {
        write_file(dir / "d.tsv", text);
        return design_from_file(t, {0, 1, 2, 3}, (dir / "d.tsv").string(), "d.tsv");
    };
    const std::string rest = "t2\t1\tB\nt3\t2\tA\nt4\t2\tB\n";
    // A mistyped time on a sample's line is named, not taken for a header
    // (which made the sample vanish).
    EXPECT_TRUE(contains(input_error([&] { design("t1\t1\t\"A\"\"\"\n" + rest); }),
                         "d.tsv:1: replicate \"A\\\"\" holds a double quote"));
    EXPECT_EQ(input_error([&] { design("t1\t1x\tA\n" + rest); }),
              "d.tsv:1: time \"1x\" is not a number");
    // A header says so, by its time cell or by naming no sample.
    EXPECT_EQ(design("t1\tTime (h)\treplicate\nt1\t1\tA\n" + rest).columns, (Columns{0, 1, 2, 3}));
    EXPECT_EQ(design("name\thours\trep\nt1\t1\tA\n" + rest).columns, (Columns{0, 1, 2, 3}));
}
