#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "numeric/normalisation.hpp"

using coswitch::corr;
using coswitch::dnorm;
using coswitch::normalization;
using coswitch::normalvec;

TEST(Dnorm, ConstantSymmetryAndDegenerateDeviations) {
    // The constant uses pi in single precision, so the peak sits about
    // 2.4e-8 relative above the exact 1/sqrt(2 pi).
    EXPECT_EQ(dnorm(0.0, 0.0, 1.0), 1.0 / 2.5066282143923915);
    const double exact_peak = 0.3989422804014327;
    EXPECT_NEAR(dnorm(0.0, 0.0, 1.0) / exact_peak - 1.0, 2.4e-8, 0.1e-8);

    // Third argument is a standard deviation, not a variance.
    EXPECT_NEAR(dnorm(1.0, 0.0, 2.0), 0.17603266338214976, 1e-8);
    EXPECT_NEAR(dnorm(3.5, 2.0, 0.5), 0.008863696823876015, 1e-9);

    EXPECT_EQ(dnorm(2.75, 2.0, 0.6), dnorm(1.25, 2.0, 0.6));
    EXPECT_EQ(dnorm(-3.0, -1.0, 1.5), dnorm(1.0, -1.0, 1.5));

    EXPECT_TRUE(std::isnan(dnorm(2.0, 2.0, 0.0)));
    EXPECT_TRUE(std::isnan(dnorm(3.0, 2.0, 0.0)));
    EXPECT_EQ(dnorm(2.3, 1.0, -0.7), -dnorm(2.3, 1.0, 0.7));
    EXPECT_EQ(dnorm(100.0, 0.0, 1.0), 0.0);
}

TEST(Corr, ValuesSymmetryAndUndefinedCases) {
    const std::vector<double> x{1.0, 2.0, 3.0, 4.0};
    const std::vector<double> y{2.0, 4.0, 5.0, 9.0};
    // sxy = 11, sxx = 5, syy = 26.
    EXPECT_NEAR(corr(4, x.data(), y.data()), 11.0 / std::sqrt(130.0), 1e-15);
    EXPECT_EQ(corr(4, x.data(), y.data()), corr(4, y.data(), x.data()));

    const std::vector<double> z{0.31, -1.7, 2.2, 0.05, 9.4, -3.3, 1.1};
    std::vector<double> neg(z.size());
    for (std::size_t i = 0; i < z.size(); ++i) neg[i] = -z[i];
    EXPECT_NEAR(corr(7, z.data(), z.data()), 1.0, 1e-15);
    EXPECT_NEAR(corr(7, z.data(), neg.data()), -1.0, 1e-15);
    // Only the first n elements take part.
    EXPECT_EQ(corr(4, x.data(), y.data()), corr(4, std::vector<double>{1, 2, 3, 4, 99}.data(),
                                                 std::vector<double>{2, 4, 5, 9, -99}.data()));

    EXPECT_TRUE(std::isnan(corr(0, x.data(), y.data())));
    EXPECT_TRUE(std::isnan(corr(1, x.data(), y.data())));
    const std::vector<double> flat{2.5, 2.5, 2.5, 2.5};
    EXPECT_TRUE(std::isnan(corr(4, flat.data(), y.data())));
    EXPECT_TRUE(std::isnan(corr(4, x.data(), flat.data())));
}

TEST(Normalisation, UnitSumsRowsAndZeroSums) {
    const double v[3] = {1.0, 1.0, 2.0};
    double out[3] = {};
    normalvec(3, v, out);
    EXPECT_EQ(out[0], 0.25);
    EXPECT_EQ(out[1], 0.25);
    EXPECT_EQ(out[2], 0.5);

    const double zero_sum[2] = {1.0, -1.0};
    double inf_out[2] = {};
    normalvec(2, zero_sum, inf_out);
    EXPECT_TRUE(std::isinf(inf_out[0]) && inf_out[0] > 0);
    EXPECT_TRUE(std::isinf(inf_out[1]) && inf_out[1] < 0);
    const double zeros[2] = {0.0, 0.0};
    double nan_out[2] = {};
    normalvec(2, zeros, nan_out);
    EXPECT_TRUE(std::isnan(nan_out[0]) && std::isnan(nan_out[1]));

    double untouched[2] = {7.0, 7.0};
    normalvec(0, v, untouched);
    EXPECT_EQ(untouched[0], 7.0);

    // Rows (1, 3) and (2, 2), stored column by column.
    const double t2[4] = {1.0, 2.0, 3.0, 2.0};
    double y2[4] = {};
    normalization(2, 2, t2, y2);
    EXPECT_EQ(y2[0], 0.25);
    EXPECT_EQ(y2[2], 0.75);
    EXPECT_EQ(y2[1], 0.5);
    EXPECT_EQ(y2[3], 0.5);

    // A 2x3 table tells rows from columns: rows (1, 2, 1) and (3, 3, 2).
    const double t23[6] = {1.0, 3.0, 2.0, 3.0, 1.0, 2.0};
    double y23[6] = {};
    normalization(2, 3, t23, y23);
    const double want23[6] = {0.25, 0.375, 0.5, 0.375, 0.25, 0.25};
    for (int n = 0; n < 6; ++n) EXPECT_EQ(y23[n], want23[n]) << n;

    // A row summing to zero spoils that row only: rows (1, 1), (0, 0), (1, 3).
    const double t32[6] = {1.0, 0.0, 1.0, 1.0, 0.0, 3.0};
    double y32[6] = {};
    normalization(3, 2, t32, y32);
    EXPECT_EQ(y32[0], 0.5);
    EXPECT_EQ(y32[3], 0.5);
    EXPECT_TRUE(std::isnan(y32[1]) && std::isnan(y32[4]));
    EXPECT_EQ(y32[2], 0.25);
    EXPECT_EQ(y32[5], 0.75);

    double sentinel[4] = {7.0, 7.0, 7.0, 7.0};
    normalization(0, 2, t2, sentinel);
    normalization(2, 0, t2, sentinel);
    for (double s : sentinel) EXPECT_EQ(s, 7.0);
}
