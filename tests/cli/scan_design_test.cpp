// scan reads no table with a design the sample names contradict.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// switching_table's values under other sample names.
std::string named_table(int times, int reps, const std::vector<std::string>& names) {
    const std::string t = switching_table(6, times, reps, 2);
    std::string header = "id";
    for (const std::string& n : names) header += "\t" + n;
    return header + t.substr(t.find('\n'));
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ScanDesign, FlyNamesWithoutADesignOptionStopAndTheSuggestionRuns) {
    ScratchDir d;
    std::vector<std::string> names;
    for (int t = 0; t <= 20; t += 4)
        for (int r = 1; r <= 2; ++r)
            names.push_back("ZT" + std::to_string(t) + "_R" + std::to_string(r));
    write_file(d / "fly.tsv", named_table(6, 2, names));
    auto r = run_program(d.path(), "", {"scan", "fly.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err,
        "coswitch: fly.tsv: samples \"ZT0_R1\" and \"ZT0_R2\" look like replicates of one "
        "time point (time \"ZT0\"), but without a design option every column is its own time "
        "point; give --samples 'ZT(\\d+)_R(\\d+)' (checked: 6 time points x 2 replicates), or "
        "--replicates 1 to take every column as its own time point\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(listing(d.path()), "fly.tsv ");  // no folder, not even a partial one

    r = run_program(d.path(), "",
                    {"scan", "fly.tsv", "--samples", "ZT(\\d+)_R(\\d+)", "-o", "out", "--bootstrap",
                     "5", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out,
                    " design: 6 time points x 2 replicates (--samples ZT(\\d+)_R(\\d+))\n"
                    "   time 1 (0): ZT0_R1, ZT0_R2\n"))
        << r.out;
    // Every column its own time point, as asked.
    r = run_program(
        d.path(), "",
        {"scan", "fly.tsv", "--replicates", "1", "-o", "one", "--bootstrap", "5", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, " design: 12 time points x 1 replicate (column order)\n")) << r.out;
}

TEST(ScanDesign, ReplicateGroupsAcrossTimePointsStop) {
    ScratchDir d;
    std::vector<std::string> names;
    for (int t = 1; t <= 12; ++t) names.push_back("t" + std::to_string(t));
    write_file(d / "ecoli.tsv", named_table(12, 1, names));
    auto r = run_program(d.path(), "",
                         {"scan", "ecoli.tsv", "--replicates", "3", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err,
        "coswitch: ecoli.tsv: --replicates 3 would take samples \"t1\" and \"t2\" as "
        "replicates of one time point, but their times differ (\"t1\", \"t2\"); give --samples "
        "REGEX or --design FILE to say which column is which time point and replicate, or "
        "--replicates 1 to take every column as its own time point\n");
    EXPECT_FALSE(fs::exists(d / "out"));
    // Without the option the unique times read as they are.
    r = run_program(d.path(), "",
                    {"scan", "ecoli.tsv", "-o", "out", "--bootstrap", "5", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, " design: 12 time points x 1 replicate (column order)\n")) << r.out;
}

}  // namespace
