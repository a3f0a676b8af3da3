#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/pair.hpp"
#include "dependence/chivecfun.hpp"
#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "run/format.hpp"
#include "run/readers.hpp"
#include "run/work_arrays.hpp"
#include "support/run_program.hpp"

using namespace coswitch;

namespace {

RunParameters params(char flag, int ntime, int nrep, int nboot, int ngene) {
    RunParameters p;
    p.FLAG = flag;
    p.NTIME = ntime;
    p.NREP = nrep;
    p.NBOOT = nboot;
    p.NGENE = ngene;
    return p;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string l; std::getline(s, l);) out.push_back(l);
    return out;
}

}  // namespace

// Pair (2, 4) of four genes, in both modes: what is loaded, which parameter
// columns weigh which cell, and what is stored.
TEST(ObservedPair, LoadsDataAndChoosesParameterColumnsByMode) {
    const int ntime = 3, nrep = 2, ngene = 4, gi = 2, gj = 4;
    std::vector<double> qvec_by_mode[2];
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p = params(flag, ntime, nrep, 0, ngene);
        Inputs in = sized_inputs(p);
        for (int m = 1; m <= ntime * nrep; ++m)
            for (int g = 1; g <= ngene; ++g)
                // Gene 2 rises, gene 4 falls: a clearly negative correlation.
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

        for (int t = 1; t <= ntime; ++t)
            for (int r = 1; r <= nrep; ++r) {
                EXPECT_EQ(w.YEX(r, t, 1), in.MODTCELL44((t - 1) * nrep + r, gi));
                EXPECT_EQ(w.YEX(r, t, 2), in.MODTCELL44((t - 1) * nrep + r, gj));
            }

        // Cell k = 2*s1 + s2 + 1, the smaller gene index first.
        const int s1[4] = {0, 0, 1, 1};
        const int s2[4] = {0, 1, 0, 1};
        std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
        for (int r = 1; r <= nrep; ++r)
            for (int t = 1; t <= ntime; ++t)
                for (int k = 1; k <= 4; ++k) {
                    const int c1 = flag == 'T' ? t : gi;
                    const int c2 = flag == 'T' ? t : gj;
                    const Array<double, 2>& pa = s1[k - 1] == 0 ? in.PARA1 : in.PARA2;
                    const Array<double, 2>& pb = s2[k - 1] == 0 ? in.PARA1 : in.PARA2;
                    const double y1 = in.MODTCELL44((t - 1) * nrep + r, gi);
                    const double y2 = in.MODTCELL44((t - 1) * nrep + r, gj);
                    const double want = dnorm(y1, pa(1, c1), pa(2, c1)) *
                                        dnorm(y2, pb(1, c2), pb(2, c2));
                    q[static_cast<std::size_t>((r - 1) + nrep * ((t - 1) + ntime * (k - 1)))] =
                        want;
                    EXPECT_EQ(w.QVEC(r, t, k), want) << r << "," << t << "," << k;
                }
        qvec_by_mode[flag == 'T'] = q;

        // The flattening follows the rows of the data: each gene's column as it stands.
        const double c = corr(ntime * nrep, &in.MODTCELL44(1, gi), &in.MODTCELL44(1, gj));
        ASSERT_LT(c, -0.5);
        EXPECT_EQ(corres, -c);

        double stat = 0.0;
        Table4 nullmat;
        Vec4 pivec{};
        chivecfun(nrep, ntime, q.data(), stat, nullmat, pivec);
        EXPECT_EQ(res, stat);
        EXPECT_EQ(w.NULLMAT.v, nullmat.v);
        EXPECT_EQ(w.PIVEC, pivec);
        EXPECT_EQ(capped, 0);
    }
    EXPECT_NE(qvec_by_mode[0], qvec_by_mode[1]);
}

// Whole runs with four genes: records come in the pair order, and every
// pvalue.txt record carries that pair's own observed statistics.
TEST(ObservedPair, RunListsEveryPairInOrderWithItsStatistics) {
    const int ntime = 4, nrep = 2, nboot = 2, ngene = 4;
    const int order[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        coswitch::testing::ScratchDir d;
        coswitch::testing::write_synthetic_inputs(d.path(), ntime, nrep, ngene, flag == 'T', 7);
        const auto run = coswitch::testing::run_program(
            d.path(), coswitch::testing::answers(flag, ntime, nrep, nboot, ngene));
        ASSERT_EQ(run.status, 0) << run.err;

        const RunParameters p = params(flag, ntime, nrep, nboot, ngene);
        Inputs in = sized_inputs(p);
        read_realdata(d.path().string(), p, in);
        read_para(d.path().string(), "para1.txt", p, in.PARA1);
        read_para(d.path().string(), "para2.txt", p, in.PARA2);
        PairScratch w(p);

        const auto pv = lines_of(coswitch::testing::read_file(d / "pvalue.txt"));
        const auto out = lines_of(coswitch::testing::read_file(d / "output.txt"));
        ASSERT_EQ(pv.size(), 7u);
        ASSERT_EQ(out.size(), 1u + 6u * nboot);
        for (int n = 0; n < 6; ++n) {
            const int i = order[n][0], j = order[n][1];
            EXPECT_EQ(pv[n + 1].substr(0, 20), format_i(i, 10) + format_i(j, 10)) << n;
            for (int b = 1; b <= nboot; ++b)
                EXPECT_EQ(out[1 + n * nboot + (b - 1)].substr(0, 30),
                          format_i(i, 10) + format_i(j, 10) + format_i(b, 10));
            double res = 0.0, corres = 0.0;
            int capped = 0;
            observed_pair(p, in, i, j, w, res, corres, capped);
            EXPECT_EQ(pv[n + 1].substr(24, 14), format_f(res, 14, 8)) << i << "," << j;
            EXPECT_EQ(pv[n + 1].substr(60, 14), format_f(corres, 14, 8)) << i << "," << j;
        }
    }
}
