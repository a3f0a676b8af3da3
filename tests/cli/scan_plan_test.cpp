// The plan scan prints before its pairs, and what it stops.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

TEST(ScanPlan, DryRunPrintsThePlanAndWritesNothing) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(12, 6, 1, 2));
    const std::string before = listing(d.path());
    for (const std::vector<std::string>& more :
         {std::vector<std::string>{}, {"-o", "out", "--write-classic", "classic", "--nulls"}}) {
        std::vector<std::string> args = {"scan", "table.tsv", "--dry-run", "--bootstrap", "10"};
        args.insert(args.end(), more.begin(), more.end());
        const auto r = run_program(d.path(), "", args);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* line : {" genes: 12 kept", " plan: 66 pairs, 10 bootstrap replicates each",
                                 " plan: peak memory about ", " plan: pairs.tsv about ",
                                 " (every pair: 66 rows of about ", " plan: time about "})
            EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
        EXPECT_EQ(r.out.find("results in"), std::string::npos) << r.out;
        EXPECT_EQ(listing(d.path()), before);
    }
    // A folder that exists is refused as for a run.
    fs::create_directory(d / "taken");
    const auto taken = run_program(d.path(), "", {"scan", "table.tsv", "--dry-run", "-o", "taken"});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("taken: exists already"), std::string::npos) << taken.err;
    // A real run prints the same plan, then its results.
    const auto run = run_program(d.path(), "", {"scan", "table.tsv", "-o", "out", "--bootstrap", "10",
                                                "--quiet", "--nulls", "--gzip"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(run.out.find(" plan: time about "), run.out.find(" results in out"));
    EXPECT_NE(run.out.find("; nulls.txt about "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("; before gzip"), std::string::npos) << run.out;
}

// 9000 genes, 40 million pairs, under an address space of 768 MB: the
// estimate does not fit, so the run stops before its pairs; with --force it
// runs out of memory, and says at which step.
TEST(ScanPlan, TooLittleMemoryStopsBeforeThePairsUnlessForced) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reserves far more address space than the program";
#endif
    ScratchDir d;
    const auto sim = run_program(d.path(), "", {"simulate", "-o", "table.tsv", "--genes", "9000",
                                                "--time-points", "3"});
    ASSERT_EQ(sim.status, 0) << sim.err;
    const std::string before = listing(d.path());
    RunOptions limited;
    limited.in_child = [] {
        const rlimit as{768u << 20, 768u << 20};
        ::setrlimit(RLIMIT_AS, &as);
    };
    limited.timeout_seconds = 120;
    const std::vector<std::string> args = {"scan", "table.tsv", "-o", "out", "--threads", "1", "--quiet"};
    const auto r = run_program(d.path(), "", args, limited);
    EXPECT_EQ(r.status, 2) << r.err;
    for (const char* part : {"coswitch: the pair pass needs about ", "40495500 pairs",
                             "left under RLIMIT_AS (ulimit -v)", "--genes", "--force"})
        EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    EXPECT_NE(r.out.find(" plan: 40495500 pairs"), std::string::npos) << r.out;
    EXPECT_EQ(listing(d.path()), before);

    auto forced_args = args;
    forced_args.push_back("--force");
    const auto forced = run_program(d.path(), "", forced_args, limited);
    EXPECT_EQ(forced.status, 1) << forced.err;
    EXPECT_NE(forced.err.find("coswitch: out of memory while keeping the observed statistics of "
                              "40495500 pairs"),
              std::string::npos)
        << forced.err;
    EXPECT_EQ(listing(d.path()), before);
}
