#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/pvalues.hpp"
#include "support/run_program.hpp"

namespace {
using namespace coswitch;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Tables {
    Tables(int ngene, int nboot)
        : ngene(ngene), nboot(nboot), RES(ngene, ngene), CORRES(ngene, ngene),
          NULLSTAT(ngene, ngene, nboot), NULLCORR(ngene, ngene, nboot), NEWPVAL(ngene, ngene),
          CORPVAL(ngene, ngene) {
        NEWPVAL.fill(-7.0f);  // untouched entries keep this
        CORPVAL.fill(-7.0f);
    }
    void run() { pvalues(ngene, nboot, RES, CORRES, NULLSTAT, NULLCORR, NEWPVAL, CORPVAL); }
    int ngene, nboot;
    Array<double, 2> RES, CORRES;
    Array<double, 3> NULLSTAT, NULLCORR;
    Array<float, 2> NEWPVAL, CORPVAL;
};

float quotient(int count, int m) {
    return static_cast<float>(static_cast<double>(count) / static_cast<double>(m));
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

double field(const std::string& line, std::size_t first_column, std::size_t width) {
    return std::strtod(line.substr(first_column - 1, width).c_str(), nullptr);
}
}  // namespace

// The sorted count must agree with the value-by-value rule on every kind of
// awkward value: ties, not-a-number, both zeros and infinities.
TEST(PooledNull, FastCountEqualsDirectRule) {
    std::mt19937 rng(20240611);
    const double palette[] = {kNaN, -kInf, kInf, -0.0, 0.0, 0.25, 0.5, 1.0, 3.0, -2.0,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max()};
    const std::size_t np = sizeof palette / sizeof palette[0];
    auto draw = [&]() {
        if (rng() % 3 == 0) return static_cast<double>(rng() % 1000) / 997.0;
        return palette[rng() % np];
    };
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<double> nulls(rng() % 60);
        for (double& v : nulls) v = draw();
        const PooledNull pooled(nulls);
        std::vector<double> probes(nulls);
        for (std::size_t k = 0; k < np; ++k) probes.push_back(palette[k]);
        for (double v : nulls)
            if (std::isfinite(v)) {
                probes.push_back(std::nextafter(v, kInf));
                probes.push_back(std::nextafter(v, -kInf));
            }
        for (double obs : probes)
            ASSERT_EQ(pooled.count_not_exceeded(obs), count_not_exceeded_direct(obs, nulls))
                << "trial " << trial << " observed " << obs;
    }
    // The rule itself: ties and not-a-number on either side count.
    const std::vector<double> v = {1.0, 2.0, 2.0, kNaN, -0.0};
    EXPECT_EQ(count_not_exceeded_direct(2.0, v), 3);
    EXPECT_EQ(count_not_exceeded_direct(0.0, v), 5);
    EXPECT_EQ(count_not_exceeded_direct(kNaN, v), 5);
    EXPECT_EQ(count_not_exceeded_direct(kInf, v), 1);
}

TEST(Pvalues, PooledSetTiesAndNotANumber) {
    {   // Two genes, ten replicates: the pair's own nulls, M = 10.
        Tables d(2, 10);
        for (int b = 1; b <= 10; ++b) {
            d.NULLSTAT(1, 2, b) = 0.2 * b;
            d.NULLCORR(1, 2, b) = 0.05 * b;
        }
        d.RES(1, 2) = 1.1;                 // 1.2 .. 2.0 are not below it
        d.CORRES(1, 2) = d.NULLCORR(1, 2, 10);  // a tie with the maximum
        d.run();
        EXPECT_EQ(d.NEWPVAL(1, 2), quotient(5, 10));
        EXPECT_EQ(d.CORPVAL(1, 2), quotient(1, 10));
        EXPECT_EQ(d.NEWPVAL(2, 1), -7.0f);

        d.RES(1, 2) = 2.5;
        d.CORRES(1, 2) = kNaN;
        d.run();
        EXPECT_EQ(d.NEWPVAL(1, 2), 0.0f);
        EXPECT_FALSE(std::signbit(d.NEWPVAL(1, 2)));
        EXPECT_EQ(d.CORPVAL(1, 2), 1.0f);
    }
    {   // Three genes, five replicates: every pair against all fifteen nulls.
        Tables d(3, 5);
        int n = 0;
        for (int i = 1; i <= 2; ++i)
            for (int j = i + 1; j <= 3; ++j)
                for (int b = 1; b <= 5; ++b) {
                    ++n;
                    d.NULLSTAT(i, j, b) = n;              // 1 .. 15, pair by pair
                    d.NULLCORR(i, j, b) = 1.0 - n / 16.0;  // descending
                }
        d.NULLCORR(2, 3, 5) = kNaN;  // counts for every pair
        d.RES(1, 2) = 15.0;          // above all its own nulls, ties the pooled maximum
        d.RES(1, 3) = 5.5;
        d.RES(2, 3) = 0.5;
        d.CORRES(1, 2) = 0.99;       // above every number: only the NaN counts
        d.CORRES(1, 3) = 1.0 - 4 / 16.0;  // ties the fourth largest
        d.CORRES(2, 3) = kNaN;
        d.run();
        EXPECT_EQ(d.NEWPVAL(1, 2), quotient(1, 15));
        EXPECT_EQ(d.NEWPVAL(1, 3), quotient(10, 15));
        EXPECT_EQ(d.NEWPVAL(2, 3), 1.0f);
        EXPECT_EQ(d.CORPVAL(1, 2), quotient(1, 15));
        EXPECT_EQ(d.CORPVAL(1, 3), quotient(5, 15));
        EXPECT_EQ(d.CORPVAL(2, 3), 1.0f);
    }
    // Without replicates the pooled set is empty: not-a-number, never -0.
    for (int nboot : {0, -3}) {
        SCOPED_TRACE(nboot);
        Tables d(3, nboot);
        d.run();
        for (int i = 1; i <= 2; ++i)
            for (int j = i + 1; j <= 3; ++j) {
                EXPECT_TRUE(std::isnan(d.NEWPVAL(i, j)));
                EXPECT_TRUE(std::isnan(d.CORPVAL(i, j)));
            }
    }
    Tables one(1, 5);  // no pair: nothing to do, nothing touched
    one.run();
    EXPECT_EQ(one.NEWPVAL(1, 1), -7.0f);
}

// A whole run: one output record per pair and replicate in order, one
// p-value record per pair, and p-values that count the pooled nulls.
TEST(ResultFiles, RecordCountsOrderAndPooledCounts) {
    using namespace coswitch::testing;
    const int ntime = 5, nrep = 2, ngene = 4, nboot = 6;
    const int pairs = ngene * (ngene - 1) / 2, m = nboot * pairs;
    for (char mode : {'G', 'T'}) {
        SCOPED_TRACE(mode);
        ScratchDir dir;
        write_synthetic_inputs(dir.path(), ntime, nrep, ngene, mode == 'T', 3);
        const auto run = run_program(dir.path(), answers(mode, ntime, nrep, nboot, ngene));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto out = lines_of(read_file(dir / "output.txt"));
        const auto pv = lines_of(read_file(dir / "pvalue.txt"));
        ASSERT_EQ(out.size(), static_cast<std::size_t>(1 + m));
        ASSERT_EQ(pv.size(), static_cast<std::size_t>(1 + pairs));

        std::vector<double> stats, corrs;
        std::size_t k = 1;
        for (int i = 1; i < ngene; ++i)
            for (int j = i + 1; j <= ngene; ++j)
                for (int b = 1; b <= nboot; ++b, ++k) {
                    const std::string& line = out[k];
                    ASSERT_EQ(line.size(), 78u) << line;
                    EXPECT_EQ(field(line, 5, 6), i);
                    EXPECT_EQ(field(line, 15, 6), j);
                    EXPECT_EQ(field(line, 25, 6), b);
                    stats.push_back(field(line, 35, 20));
                    corrs.push_back(field(line, 59, 20));
                }
        k = 1;
        int checked = 0;
        for (int i = 1; i < ngene; ++i)
            for (int j = i + 1; j <= ngene; ++j, ++k) {
                const std::string& line = pv[k];
                ASSERT_EQ(line.size(), 92u) << line;
                EXPECT_EQ(field(line, 5, 6), i);
                EXPECT_EQ(field(line, 15, 6), j);
                // Counting the printed values agrees unless printing rounded
                // a null value onto the observed one.
                const struct {
                    std::size_t obs, p;
                    const std::vector<double>* nulls;
                } sides[] = {{25, 43, &stats}, {61, 79, &corrs}};
                for (const auto& s : sides) {
                    const double obs = field(line, s.obs, 14);
                    const double p = field(line, s.p, 14);
                    bool near = false;
                    for (double v : *s.nulls) near = near || std::fabs(v - obs) < 1e-7;
                    if (!near) {
                        EXPECT_NEAR(p * m, count_not_exceeded_direct(obs, *s.nulls), 1e-5)
                            << line;
                        ++checked;
                    }
                }
            }
        EXPECT_GE(checked, pairs);
    }
}

// Zero or negative replicates: no output records and "NaN" p-values.
TEST(ResultFiles, NoReplicatesGiveNotANumberPvalues) {
    using namespace coswitch::testing;
    for (int nboot : {0, -2}) {
        SCOPED_TRACE(nboot);
        ScratchDir dir;
        write_synthetic_inputs(dir.path(), 4, 2, 3, false);
        const auto run = run_program(dir.path(), answers('G', 4, 2, nboot, 3));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(lines_of(read_file(dir / "output.txt")).size(), 1u);
        const auto pv = lines_of(read_file(dir / "pvalue.txt"));
        ASSERT_EQ(pv.size(), 4u);
        for (std::size_t k = 1; k < pv.size(); ++k) {
            EXPECT_EQ(pv[k].substr(42, 14), "           NaN") << pv[k];
            EXPECT_EQ(pv[k].substr(78, 14), "           NaN") << pv[k];
        }
    }
}
