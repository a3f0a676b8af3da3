#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "analysis/pair.hpp"
#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "run/work_arrays.hpp"

using namespace coswitch;

// Pair (2, 4) of four genes: gene mode weighs with columns 2 and 4, time mode
// with column t for both; cell k = 2*s1 + s2 + 1; data flattened replicate fastest.
TEST(ObservedPair, ParameterColumnsByModeCellOrderAndStores) {
    const int ntime = 3, nrep = 2, gi = 2, gj = 4;
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p{flag, ntime, nrep, 0, 4};
        Inputs in = sized_inputs(p);
        for (int m = 1; m <= ntime * nrep; ++m)
            for (int g = 1; g <= 4; ++g)  // gene 4 falls while the others rise
                in.MODTCELL44(m, g) = g == 4 ? 6.0 - 0.7 * m + 0.13 * (m % 3)
                                             : 1.5 + 0.1 * g * m + 0.05 * (m % 2);
        for (int c = 1; c <= parameter_columns(p); ++c) {
            in.PARA1(1, c) = 2.0 + 0.3 * c;
            in.PARA1(2, c) = 0.5 + 0.1 * c;
            in.PARA2(1, c) = 5.0 - 0.2 * c;
            in.PARA2(2, c) = 0.8 + 0.05 * c;
        }
        PairScratch w(p);
        double res = -1.0, corres = -1.0;
        int capped = 0;
        observed_pair(p, in, gi, gj, w, res, corres, capped);

        for (int r = 1; r <= nrep; ++r)
            for (int t = 1; t <= ntime; ++t)
                for (int k = 1; k <= 4; ++k) {
                    const int c1 = flag == 'T' ? t : gi, c2 = flag == 'T' ? t : gj;
                    const auto& pa = k <= 2 ? in.PARA1 : in.PARA2;
                    const auto& pb = k % 2 ? in.PARA1 : in.PARA2;
                    const int m = (t - 1) * nrep + r;
                    EXPECT_EQ(w.QVEC(r, t, k),
                              dnorm(in.MODTCELL44(m, gi), pa(1, c1), pa(2, c1)) *
                                  dnorm(in.MODTCELL44(m, gj), pb(1, c2), pb(2, c2)))
                        << r << t << k;
                }
        const double c = corr(ntime * nrep, &in.MODTCELL44(1, gi), &in.MODTCELL44(1, gj));
        ASSERT_LT(c, -0.5);
        EXPECT_EQ(corres, -c);
        double stat = 0.0;
        Table4 nullmat;
        Vec4 pivec{};
        chivecfun(nrep, ntime, w.QVEC.data(), stat, nullmat, pivec);
        EXPECT_EQ(res, stat);
        EXPECT_EQ(w.NULLMAT.v, nullmat.v);
        EXPECT_EQ(w.PIVEC, pivec);
    }
}

// The weights are dnorm's values bit for bit also where dnorm degenerates: a
// standard deviation of zero (not a number), a negative one, densities that
// underflow and values far out.
TEST(ObservedPair, WeightsEqualDensityProductsOnDegenerateParameters) {
    const int ntime = 4, nrep = 3;
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p{flag, ntime, nrep, 0, 4};
        Inputs in = sized_inputs(p);
        for (int m = 1; m <= ntime * nrep; ++m)
            for (int g = 1; g <= 4; ++g)
                in.MODTCELL44(m, g) = m == 5 ? 1e155 : (g % 2 ? 40.0 : 0.3) * m - 7.0 * g;
        for (int c = 1; c <= parameter_columns(p); ++c) {
            in.PARA1(1, c) = 2.0 + 0.3 * c;
            in.PARA1(2, c) = c == 2 ? 0.0 : 0.5 + 0.1 * c;
            in.PARA2(1, c) = 5.0 - 0.2 * c;
            in.PARA2(2, c) = c == 3 ? -0.9 : 1e-3 * c;
        }
        for (int gi = 1; gi <= 3; ++gi)
            for (int gj = gi + 1; gj <= 4; ++gj) {
                PairScratch w(p);
                double res = 0.0, corres = 0.0;
                int capped = 0;
                observed_pair(p, in, gi, gj, w, res, corres, capped);
                for (int t = 1; t <= ntime; ++t)
                    for (int r = 1; r <= nrep; ++r) {
                        const int m = (t - 1) * nrep + r;
                        const int c1 = flag == 'T' ? t : gi, c2 = flag == 'T' ? t : gj;
                        for (int k = 1; k <= 4; ++k) {
                            const auto& pa = MORCODE[k][0] == 0 ? in.PARA1 : in.PARA2;
                            const auto& pb = MORCODE[k][1] == 0 ? in.PARA1 : in.PARA2;
                            const double want = dnorm(in.MODTCELL44(m, gi), pa(1, c1), pa(2, c1)) *
                                                dnorm(in.MODTCELL44(m, gj), pb(1, c2), pb(2, c2));
                            const double got = w.QVEC(r, t, k);
                            ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0)
                                << gi << gj << " r" << r << " t" << t << " k" << k << ": " << got
                                << " vs " << want;
                        }
                    }
            }
    }
}
