#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/pvalues.hpp"
#include "run/format.hpp"
#include "support/run_program.hpp"

namespace {
using namespace coswitch;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Tables {
    Tables(int g, int b)
        : g(g), b(b), RES(g, g), CORRES(g, g), NULLSTAT(g, g, b), NULLCORR(g, g, b),
          NEWPVAL(g, g), CORPVAL(g, g) {}
    void run() { pvalues(g, b, RES, CORRES, NULLSTAT, NULLCORR, NEWPVAL, CORPVAL); }
    int g, b;
    Array<double, 2> RES, CORRES;
    Array<double, 3> NULLSTAT, NULLCORR;
    Array<float, 2> NEWPVAL, CORPVAL;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}
}  // namespace

// Ties, not-a-number on either side, both zeros, infinities and neighbours
// one ulp away: the sorted count must agree with the value-by-value rule.
TEST(PooledNull, FastCountEqualsDirectRule) {
    std::mt19937 rng(20240611);
    const std::vector<double> palette = {kNaN, -kInf, kInf, -0.0, 0.0, 0.25, 0.5, 1.0, -2.0,
                                         std::numeric_limits<double>::denorm_min(),
                                         std::numeric_limits<double>::max()};
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<double> nulls(rng() % 60);
        for (double& v : nulls)
            v = rng() % 3 == 0 ? (rng() % 1000) / 997.0 : palette[rng() % palette.size()];
        const PooledNull pooled(nulls);
        std::vector<double> probes = palette;
        for (double v : nulls)
            for (double to : {kInf, -kInf}) probes.push_back(std::nextafter(v, to));
        for (double obs : probes)
            ASSERT_EQ(pooled.count_not_exceeded(obs), count_not_exceeded_direct(obs, nulls))
                << "trial " << trial << " observed " << obs;
    }
    const std::vector<double> v = {1.0, 2.0, 2.0, kNaN, -0.0};  // the rule itself
    EXPECT_EQ(count_not_exceeded_direct(0.0, v), 5);
    EXPECT_EQ(count_not_exceeded_direct(kInf, v), 1);
}

TEST(Pvalues, PooledSetTiesAndNotANumber) {
    Tables two(2, 10);  // M = 10: the pair's own nulls
    for (int b = 1; b <= 10; ++b) {
        two.NULLSTAT(1, 2, b) = 0.2 * b;
        two.NULLCORR(1, 2, b) = 0.05 * b;
    }
    two.RES(1, 2) = 1.1;                         // 1.2 .. 2.0 are not below it
    two.CORRES(1, 2) = two.NULLCORR(1, 2, 10);  // a tie with the maximum
    two.run();
    EXPECT_EQ(two.NEWPVAL(1, 2), float(5.0 / 10));
    EXPECT_EQ(two.CORPVAL(1, 2), float(1.0 / 10));

    Tables d(3, 5);  // M = 15: every pair against all pairs' nulls
    const int pair[3][2] = {{1, 2}, {1, 3}, {2, 3}};
    for (int n = 0; n < 15; ++n) {
        d.NULLSTAT(pair[n / 5][0], pair[n / 5][1], n % 5 + 1) = n + 1;            // ascending
        d.NULLCORR(pair[n / 5][0], pair[n / 5][1], n % 5 + 1) = 1 - (n + 1) / 16.0;  // descending
    }
    d.NULLCORR(2, 3, 5) = kNaN;  // counts for every pair
    // The first pair ties the pooled maximum; an observed NaN counts all M.
    const double res[3] = {15.0, 5.5, 0.5}, cor[3] = {0.99, 0.75, kNaN};
    const int want_new[3] = {1, 10, 15}, want_cor[3] = {1, 5, 15};
    for (int k = 0; k < 3; ++k) {
        d.RES(pair[k][0], pair[k][1]) = res[k];
        d.CORRES(pair[k][0], pair[k][1]) = cor[k];
    }
    d.run();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(d.NEWPVAL(pair[k][0], pair[k][1]), float(want_new[k] / 15.0)) << k;
        EXPECT_EQ(d.CORPVAL(pair[k][0], pair[k][1]), float(want_cor[k] / 15.0)) << k;
    }
    for (int nboot : {0, -3}) {  // an empty pooled set: not-a-number, never -0
        Tables e(3, nboot);
        e.run();
        EXPECT_TRUE(std::isnan(e.NEWPVAL(1, 3)) && std::isnan(e.CORPVAL(2, 3))) << nboot;
    }
}

// A whole run of four genes with NBOOT < 0: no output records, and pvalue.txt
// lists the pairs in order with not-a-number p-values.
TEST(ResultFiles, PairOrderAndNoReplicates) {
    using namespace coswitch::testing;
    ScratchDir dir;
    write_synthetic_inputs(dir.path(), 5, 2, 4, true, 3);
    const auto run = run_program(dir.path(), answers('T', 5, 2, -2, 4));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines_of(read_file(dir / "output.txt")).size(), 1u);
    const auto pv = lines_of(read_file(dir / "pvalue.txt"));
    ASSERT_EQ(pv.size(), 7u);
    for (int i = 1, n = 1; i < 4; ++i)
        for (int j = i + 1; j <= 4; ++j, ++n) {
            EXPECT_EQ(pv[n].substr(0, 20), format_i(i, 10) + format_i(j, 10));
            EXPECT_EQ(pv[n].substr(42, 14) + pv[n].substr(78, 14), "           NaN           NaN");
        }
}
