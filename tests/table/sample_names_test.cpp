#include "table/sample_names.hpp"

#include <gtest/gtest.h>

#include "table/columns.hpp"
#include "table/design_check.hpp"
#include "io/quoted.hpp"
#include "table/table_files.hpp"

using namespace coswitch;
using namespace coswitch::testing;
using Names = std::vector<std::string>;

namespace {

// Names "{time}{sep}{replicate}" for every time, then replicate.
Names crossed(const Names& times, const Names& replicates, const std::string& sep = "_") {
    Names out;
    for (const std::string& t : times)
        for (const std::string& r : replicates) out.push_back(t + sep + r);
    return out;
}

const Names kFly = crossed({"ZT0", "ZT4", "ZT8", "ZT12", "ZT16", "ZT20"}, {"R1", "R2"});
const Names kSeries = {"t1", "t2", "t3", "t4", "t5", "t6"};

}  // namespace

TEST(SampleNames, TokensAndTheirKinds) {
    const NameTokens a = split_sample_name("_1.5h_rep-2.x y");
    EXPECT_EQ(a.tokens, (Names{"1.5h", "rep", "2", "x", "y"}));
    EXPECT_EQ(a.separators, (Names{"_", "_", "-", ".", " ", ""}));
    EXPECT_EQ(split_sample_name("h.5").tokens, (Names{"h", "5"}));
    for (const char* t :
         {"0h", "30min", "1.5h", "10", "24hr", "d3", "ZT0", "ct12", "T3", "time5", "tp2", "day2"})
        EXPECT_EQ(token_kind(t), TokenKind::Time) << t;
    for (const char* t : {"R1", "rep2", "r3", "A"})
        EXPECT_EQ(token_kind(t), TokenKind::Replicate) << t;
    for (const char* t : {"sample97", "alpha7", "cdc15", "WT", "h3", "1x", "A1"})
        EXPECT_EQ(token_kind(t), TokenKind::Other) << t;
}

TEST(SampleNames, ATimeTokenSharedByTwoNames) {
    auto shared = [](const Names& names) {
        const auto s = shared_time_token(names);
        return s ? std::to_string(s->first) + " " + std::to_string(s->second) + " " + s->time : "";
    };
    EXPECT_EQ(shared(kFly), "0 1 ZT0");
    EXPECT_EQ(shared({"sample97_t3", "sample40_t4", "sample5_t4", "sample16_t3"}), "1 2 t4");
    EXPECT_EQ(shared(crossed({"0h", "2h"}, {"A", "B"})), "0 1 0h");
    EXPECT_EQ(shared({"ZT0_a", "zt0_b", "ZT4_a"}), "0 1 ZT0");
    // One series, unique times, a constant prefix or time token: nothing to say.
    for (const Names& names : {Names{"alpha0", "alpha7", "alpha14"}, kSeries,
                               Names{"0h", "2h", "4h"}, Names{"WT_0h", "WT_2h", "WT_4h"},
                               Names{"t1_r1", "t2_r1"}, Names{"d1_0h", "d1_2h"}, Names{"", "0h"}})
        EXPECT_EQ(shared(names), "") << names[0];
}

TEST(SampleNames, PatternsFromTheNamesAreCheckedByBuildingTheDesign) {
    auto checked = [](const Names& names) {
        const NamedTable t = header_only_table(names);
        const auto p = checked_pattern(t, select_columns(t, ""));
        return p ? p->pattern + " " + std::to_string(p->NTIME) + "x" + std::to_string(p->NREP) : "";
    };
    EXPECT_EQ(checked(kFly), "ZT(\\d+)_R(\\d+) 6x2");
    EXPECT_EQ(checked(crossed({"0h", "2h", "4h"}, {"A", "B", "C"})), "(\\d+)h_([A-Za-z]) 3x3");
    EXPECT_EQ(checked(crossed({"WT.0h", "WT.1.5h"}, {"rep1", "rep2"}, "-")),
              "WT\\.(\\d+(?:\\.\\d+)?)h-rep(\\d+) 2x2");
    // The replicate before the time, or no replicate token: numbered by order.
    EXPECT_EQ(checked({"s97_t3", "s16_t3", "s40_t4", "s5_t4"}), "s\\d+_t(\\d+) 2x2");
    EXPECT_EQ(checked(crossed({"R1", "R2"}, {"ZT0", "ZT4"})), "R\\d+_ZT(\\d+) 2x2");
    // Two numbers: the one with a prefix is the time.
    EXPECT_EQ(checked(crossed({"ZT0", "ZT4", "ZT8"}, {"1", "2"})), "ZT(\\d+)_(\\d+) 3x2");
    // None that checks: one replicate, mixed units, a column apart, unbalanced.
    EXPECT_EQ(checked(kSeries), "");
    EXPECT_EQ(checked(crossed({"30min", "1h"}, {"A", "B"})), "");
    EXPECT_EQ(checked({"0h_A", "0h_B", "2h_A", "2h_B", "ctrl"}), "");
    EXPECT_EQ(checked({"0h_A", "0h_B", "2h_A", "2h_B", "4h_A"}), "");
    EXPECT_EQ(shell_quoted("it's (\\d+)"), "'it'\\''s (\\d+)'");
}

TEST(DesignCheck, ColumnOrderAgainstTheNames) {
    auto without_design = [](const Names& names) {
        const NamedTable t = header_only_table(names);
        return input_error([&] { check_names_without_design(t, select_columns(t, "")); });
    };
    auto with_replicates = [](const Names& names, std::size_t r) {
        const NamedTable t = header_only_table(names);
        const std::vector<std::size_t> all = select_columns(t, "");
        return input_error([&] { check_replicate_groups(t, all, design_by_order(t, all, r)); });
    };
    EXPECT_EQ(without_design({"s97_t3", "s16_t3", "s40_t4", "s5_t4"}),
              "t.tsv: samples \"s97_t3\" and \"s16_t3\" look like replicates of one time point "
              "(time \"t3\"), but without a design option every column is its own time point; "
              "give --samples 's\\d+_t(\\d+)' (checked: 2 time points x 2 replicates), or "
              "--replicates 1 to take every column as its own time point");
    EXPECT_EQ(without_design(crossed({"30min", "1h"}, {"A", "B"})),
              "t.tsv: samples \"30min_A\" and \"30min_B\" look like replicates of one time point "
              "(time \"30min\"), but without a design option every column is its own time point; "
              "give --samples REGEX or --design FILE to say which column is which time point and "
              "replicate, or --replicates 1 to take every column as its own time point");
    EXPECT_EQ(without_design(kSeries), "");

    EXPECT_EQ(with_replicates(kFly, 3),
              "t.tsv: --replicates 3 would take samples \"ZT0_R1\" and \"ZT4_R1\" as replicates of "
              "one time point, but their times differ (\"ZT0\", \"ZT4\"); give --samples "
              "'ZT(\\d+)_R(\\d+)' (checked: 6 time points x 2 replicates), or --replicates 1 to "
              "take every column as its own time point");
    // A later group, a constant time token aside.
    EXPECT_TRUE(contains(with_replicates(crossed({"0h", "2h"}, {"A", "B", "C"}), 2),
                         "samples \"0h_C\" and \"2h_A\""));
    EXPECT_TRUE(contains(with_replicates({"d1_t1", "d1_t1", "d1_t2", "d1_t3"}, 2),
                         "their times differ (\"t2\", \"t3\")"));
    // Right groups, names without a time token, some without one.
    EXPECT_EQ(with_replicates(kFly, 2), "");
    EXPECT_EQ(with_replicates({"alpha0", "alpha7", "alpha14", "alpha21"}, 2), "");
    EXPECT_EQ(with_replicates({"t1", "t2", "ctrl", "t3"}, 2), "");
}
