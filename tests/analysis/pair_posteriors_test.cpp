#include "analysis/pair_posteriors.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/pair.hpp"

using namespace coswitch;

namespace {

// Two genes whose hidden states run in blocks of three time points, the
// second gene's the first's (in phase) or their opposite; each value at
// its state's mean plus a small wobble. Means `low` and `high`, both sd `sd`.
Inputs pair_inputs(const RunParameters& p, bool anti, double low, double high, double sd) {
    Inputs in;
    in.MODTCELL44.resize(p.NTIME * p.NREP, 2);
    in.PARA1.resize(2, 2);
    in.PARA2.resize(2, 2);
    for (int g = 1; g <= 2; ++g) {
        in.PARA1(1, g) = low;
        in.PARA2(1, g) = high;
        in.PARA1(2, g) = in.PARA2(2, g) = sd;
    }
    for (int t = 1; t <= p.NTIME; ++t)
        for (int r = 1; r <= p.NREP; ++r) {
            const int m = (t - 1) * p.NREP + r;
            const int first = ((t + r) / 3) % 2, second = anti ? 1 - first : first;
            const double wobble = ((t * 7 + r * 3) % 5 - 2) * 0.1 * sd;
            in.MODTCELL44(m, 1) = (first ? high : low) + wobble;
            in.MODTCELL44(m, 2) = (second ? high : low) - wobble;
        }
    return in;
}

double mass(const PairPosteriors& f, int r, int t) {
    double s = 0;
    for (int k = 1; k <= 4; ++k) s += f.gamma(r, t, k);
    return s;
}

}  // namespace

// Posteriors of every replicate and time point sum to 1 and put their mass
// on the cells the constructed courses are in: 00 and 11 for a pair in
// phase, 01 and 10 opposite; the fit's statistic is the scan's.
TEST(PairPosteriors, MassOnTheJointStatesOfTheCourses) {
    const RunParameters p{'G', 12, 3, 0, 2};
    for (bool anti : {false, true}) {
        SCOPED_TRACE(anti);
        const Inputs in = pair_inputs(p, anti, 2.0, 5.0, 0.6);
        const PairPosteriors f = pair_posteriors(p, in, 1, 2);
        for (int r = 1; r <= p.NREP; ++r)
            for (int t = 1; t <= p.NTIME; ++t) {
                EXPECT_NEAR(mass(f, r, t), 1.0, 1e-12) << r << " " << t;
                const int first = ((t + r) / 3) % 2, second = anti ? 1 - first : first;
                const int cell = 2 * first + second + 1;
                EXPECT_GT(f.gamma(r, t, cell), 0.95) << r << " " << t;
                const double matching = anti ? f.gamma(r, t, 2) + f.gamma(r, t, 3)
                                             : f.gamma(r, t, 1) + f.gamma(r, t, 4);
                EXPECT_GT(matching, 0.99) << r << " " << t;
            }
        PairScratch w(p);
        double res = 0, corres = 0;
        int capped = 0;
        observed_pair(p, in, 1, 2, w, res, corres, capped);
        EXPECT_NEAR(f.stat, res, 1e-9 * res);
        EXPECT_EQ(f.r, w.last_r);
        EXPECT_EQ(f.r < 0, anti);
        EXPECT_EQ(f.info.concordance < 0, anti);
    }
}

// A long series of large values, whose likelihood no double holds: the
// plain fit has no statistic, the posteriors still sum to 1 and follow the
// courses.
TEST(PairPosteriors, HoldOnSeriesThePlainFitLoses) {
    const RunParameters p{'G', 300, 2, 0, 2};
    const Inputs in = pair_inputs(p, false, 2000.0, 5000.0, 300.0);
    PairScratch w(p);
    double res = 0, corres = 0;
    int capped = 0;
    observed_pair(p, in, 1, 2, w, res, corres, capped);
    EXPECT_TRUE(std::isnan(res));
    const PairPosteriors f = pair_posteriors(p, in, 1, 2);
    EXPECT_TRUE(std::isfinite(f.stat));
    EXPECT_GT(f.stat, 100.0);
    for (int r = 1; r <= p.NREP; ++r)
        for (int t = 1; t <= p.NTIME; ++t) {
            ASSERT_NEAR(mass(f, r, t), 1.0, 1e-12) << r << " " << t;
            EXPECT_GT(f.gamma(r, t, 1) + f.gamma(r, t, 4), 0.99) << r << " " << t;
        }
}
