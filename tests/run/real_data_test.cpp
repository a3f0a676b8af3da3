#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

// The published yeast alpha-factor series, small8 run: columns 1-4 are
// histone genes, whose transcripts peak together in S phase.
TEST(RealData, HistonePairsStandOutAndThreadsAgree) {
    const fs::path run = fs::path(COSWITCH_SHARED_DIR) / "data/spellman1998/runs/small8";
    if (!fs::exists(run / "realdata.txt")) GTEST_SKIP() << "no shared data at " << run;
    std::string pvalues[2];
    for (int k = 0; k < 2; ++k) {
        ScratchDir d;
        for (const char* f : {"realdata.txt", "para1.txt", "para2.txt"})
            write_file(d / f, read_file(run / f));
        const auto r = run_program(d.path(), read_file(run / "answers.txt"),
                                   {"--threads", k == 0 ? "1" : "2"});
        ASSERT_EQ(r.status, 0) << r.err;
        pvalues[k] = read_file(d / "pvalue.txt");
    }
    EXPECT_EQ(pvalues[0], pvalues[1]);

    std::istringstream in(pvalues[0]);
    std::string header;
    std::getline(in, header);
    int i = 0, j = 0;
    double stat = 0, pnew = 0, corr = 0, pcorr = 0;
    int histone_pairs = 0, histone_dependent = 0, other_dependent = 0, others = 0;
    while (in >> i >> j >> stat >> pnew >> corr >> pcorr) {
        if (j <= 4) {
            ++histone_pairs;
            EXPECT_EQ(pcorr, 0.0) << i << "," << j;
            if (pnew < 0.01) ++histone_dependent;
        } else {
            ++others;
            if (pnew < 0.01) ++other_dependent;
        }
    }
    EXPECT_EQ(histone_pairs, 6);
    EXPECT_EQ(others, 22);
    // Most histone pairs switch together; most other pairs do not.
    EXPECT_GE(histone_dependent, 3);
    EXPECT_LE(other_dependent, 5);
}
