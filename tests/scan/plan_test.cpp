#include "scan/plan.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "engine/packed_tallies.hpp"
#include "report/plan_text.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// A simulated table of 30 genes, 435 pairs.
ScanSettings simulated(const ScratchDir& d) {
    const auto r = run_program(d.path(), "", {"simulate", "-o", "table.tsv", "--genes", "30",
                                              "--time-points", "10", "--coupled", "4"});
    EXPECT_EQ(r.status, 0) << r.err;
    ScanSettings o;
    o.table = (d / "table.tsv").string();
    o.bootstrap = 20;
    o.threads = 1;
    return o;
}

}  // namespace

// The plan's memory is the pairs' own share over what is held now; its
// pairs.tsv is the rows the rule writes, in bytes close to those written.
TEST(ScanPlan, MemoryAndOutputFollowThePairsAndTheRule) {
    ScratchDir d;
    ScanSettings o = simulated(d);
    const ScanInputs s = scan_inputs(o);
    ScanPlan all = plan_scan(s, o, 1, 1);
    EXPECT_EQ(all.pairs, 435);
    // 20 replicates a pair: 10-bit tallies, six to a word.
    EXPECT_DOUBLE_EQ(all.per_pair, 12 + 8 + 2 * 8.0 / 6);
    EXPECT_EQ(PackedTallies::bits_for(20), 10);
    EXPECT_GT(all.resident_now, 0);
    EXPECT_GE(all.peak, all.resident_now + 435 * all.per_pair);
    EXPECT_EQ(all.rows, 435);
    EXPECT_FALSE(all.rows_at_most);
    EXPECT_EQ(all.nulls_bytes, 0);
    EXPECT_TRUE(std::isnan(all.seconds));

    const auto r = run_program(d.path(), "", {"scan", "table.tsv", "-o", "out", "--bootstrap", "20",
                                              "--pairs", "all", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const double written = static_cast<double>(fs::file_size(d / "out" / "pairs.tsv"));
    EXPECT_NEAR(all.pairs_tsv_bytes / written, 1.0, 0.1) << all.pairs_tsv_bytes << " for " << written;

    o.pairs = "top 7";
    const ScanPlan top = plan_scan(s, o, 1, 1);
    EXPECT_EQ(top.rows, 7);
    EXPECT_FALSE(top.rows_at_most);
    EXPECT_LT(top.pairs_tsv_bytes, all.pairs_tsv_bytes / 40);
    o.pairs = "top 1000";
    EXPECT_EQ(plan_scan(s, o, 1, 1).rows, 435);
    // fdr: a bound, every pair.
    o.pairs = "fdr 0.1";
    const ScanPlan fdr = plan_scan(s, o, 1, 1);
    EXPECT_EQ(fdr.rows, 435);
    EXPECT_TRUE(fdr.rows_at_most);
    EXPECT_NE(plan_text(fdr, false).find(" plan: pairs.tsv at most "), std::string::npos) << plan_text(fdr, false);
    o.pairs = "";
    o.all_pairs_up_to = 100;
    EXPECT_TRUE(plan_scan(s, o, 1, 1).rows_at_most);
    o.nulls = true;
    EXPECT_GT(plan_scan(s, o, 1, 1).nulls_bytes, 435 * 20 * 20.0);
}

// The memory that is there decides, for every rank on the machine.
TEST(ScanPlan, ShortfallNamesTheEstimateAndTheLimit) {
    ScratchDir d;
    const ScanSettings o = simulated(d);
    const ScanInputs s = scan_inputs(o);
    ScanPlan plan = plan_scan(s, o, 1, 1);
    plan.room = MemoryRoom{};
    EXPECT_EQ(memory_shortfall(plan), "");
    const double need = plan.peak - plan.resident_now;
    plan.room.resident = static_cast<std::uint64_t>(need * 1.5);
    plan.room.resident_by = "MemAvailable in /proc/meminfo";
    EXPECT_EQ(memory_shortfall(plan), "");
    plan.ranks_here = 2;
    const std::string two = memory_shortfall(plan);
    EXPECT_NE(two.find("for the 2 ranks on this machine"), std::string::npos) << two;
    EXPECT_NE(two.find("(MemAvailable in /proc/meminfo)"), std::string::npos) << two;
    EXPECT_NE(two.find("435 pairs"), std::string::npos) << two;
    plan.ranks_here = 1;
    plan.room.address = static_cast<std::uint64_t>(plan.more_address / 2);
    plan.room.address_by = "RLIMIT_AS (ulimit -v)";
    const std::string address = memory_shortfall(plan);
    EXPECT_NE(address.find("address space"), std::string::npos) << address;
    EXPECT_NE(address.find("left under RLIMIT_AS (ulimit -v)"), std::string::npos) << address;

    EXPECT_EQ(memory_text(512), "512 bytes");
    EXPECT_EQ(memory_text(1536), "1.5 kB");
    EXPECT_EQ(memory_text(300.0 * (1 << 20)), "300 MB");
    EXPECT_EQ(duration_text(9.46), "about 9.5 s");
    EXPECT_EQ(duration_text(150), "about 2.5 min");
    EXPECT_EQ(duration_text(2.5 * 3600), "about 2.5 h");
}

// The time: pairs of the run timed apart from it, scaled by its pairs,
// replicates and threads.
TEST(ScanPlan, TimeScalesWithReplicatesAndThreads) {
    ScratchDir d;
    ScanSettings o = simulated(d);
    const ScanInputs s = scan_inputs(o);
    ScanPlan plan = plan_scan(s, o, 1, 1);
    time_pairs(s, plan, 0.05);
    EXPECT_GT(plan.timed_pairs, 0);
    EXPECT_LE(plan.timed_pairs, 435);
    EXPECT_GT(plan.seconds, 0);
    EXPECT_DOUBLE_EQ(plan.seconds, 435 * plan.seconds_per_pair);
    EXPECT_NE(plan_text(plan, false).find(" plan: time about "), std::string::npos);
    // Twice the ranks, half the time.
    ScanPlan ranks = plan_scan(s, o, 2, 1);
    time_pairs(s, ranks, 0.05);
    EXPECT_DOUBLE_EQ(ranks.seconds, 435 * ranks.seconds_per_pair / 2);
    // No replicate: the observed fits alone, far less.
    o.bootstrap = 0;
    const ScanInputs none = scan_inputs(o);
    ScanPlan observed = plan_scan(none, o, 1, 1);
    time_pairs(none, observed, 0.05);
    EXPECT_LT(observed.seconds_per_pair, plan.seconds_per_pair / 3);
}
