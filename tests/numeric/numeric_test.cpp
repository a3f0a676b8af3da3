#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "numeric/normalisation.hpp"

using coswitch::corr;
using coswitch::dnorm;

TEST(Dnorm, ConstantDeviationAndDegenerateCases) {
    // pi in single precision puts the peak about 2.4e-8 relative above 1/sqrt(2 pi).
    EXPECT_EQ(dnorm(0.0, 0.0, 1.0), 1.0 / 2.5066282143923915);
    EXPECT_NEAR(dnorm(0.0, 0.0, 1.0) / 0.3989422804014327 - 1.0, 2.4e-8, 0.1e-8);
    EXPECT_NEAR(dnorm(1.0, 0.0, 2.0), 0.17603266338214976, 1e-8);  // a deviation, not a variance
    EXPECT_EQ(dnorm(2.75, 2.0, 0.6), dnorm(1.25, 2.0, 0.6));
    EXPECT_TRUE(std::isnan(dnorm(2.0, 2.0, 0.0)));  // unguarded: 0/0 flows on
    EXPECT_EQ(dnorm(2.3, 1.0, -0.7), -dnorm(2.3, 1.0, 0.7));
}

TEST(Corr, ValuesAndUndefinedCases) {
    const std::vector<double> x{1, 2, 3, 4, 99}, y{2, 4, 5, 9, -99}, flat{2.5, 2.5, 2.5, 2.5};
    // Only the first n take part: sxy = 11, sxx = 5, syy = 26.
    EXPECT_NEAR(corr(4, x.data(), y.data()), 11.0 / std::sqrt(130.0), 1e-15);
    EXPECT_EQ(corr(4, x.data(), y.data()), corr(4, y.data(), x.data()));
    EXPECT_TRUE(std::isnan(corr(1, x.data(), y.data())));
    EXPECT_TRUE(std::isnan(corr(4, flat.data(), y.data())));
}

// The sums in one loop give the bits of a loop per sum.
TEST(Corr, EqualsSeparateSumsBitForBit) {
    const auto separate = [](int n, const double* x, const double* y) {
        double sx = 0.0, sy = 0.0;
        for (int i = 0; i < n; ++i) sx += x[i];
        for (int i = 0; i < n; ++i) sy += y[i];
        const double mx = sx / n, my = sy / n;
        double sxx = 0.0, syy = 0.0, sxy = 0.0;
        for (int i = 0; i < n; ++i) sxx += (x[i] - mx) * (x[i] - mx);
        for (int i = 0; i < n; ++i) syy += (y[i] - my) * (y[i] - my);
        for (int i = 0; i < n; ++i) sxy += (x[i] - mx) * (y[i] - my);
        return sxy / (std::sqrt(sxx) * std::sqrt(syy));
    };
    std::vector<double> x(2500), y(2500);
    double v = 0.3;
    for (int n : {2, 3, 36, 100, 2500}) {
        for (int i = 0; i < n; ++i) {
            v = std::fmod(v * 7919.123 + 0.61803, 13.0);  // a deterministic scatter
            x[i] = v - 6.0;
            y[i] = 0.4 * x[i] + std::fmod(v * 31.7, 3.0) + (i % 11 == 0 ? 1e12 : 0.0);
        }
        const double a = corr(n, x.data(), y.data()), b = separate(n, x.data(), y.data());
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << n << ": " << a << " vs " << b;
    }
}

TEST(Normalisation, VectorsRowsAndZeroSums) {
    const double v[3] = {1.0, 1.0, 2.0}, zeros[2] = {0.0, 0.0}, opposite[2] = {1.0, -1.0};
    double out[3] = {}, nan_out[2] = {}, inf_out[2] = {};
    coswitch::normalvec(3, v, out);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{0.25, 0.25, 0.5}));
    coswitch::normalvec(2, zeros, nan_out);
    coswitch::normalvec(2, opposite, inf_out);
    EXPECT_TRUE(std::isnan(nan_out[0]) && std::isinf(inf_out[1]) && inf_out[1] < 0);

    // Column by column: a 2x3 table with rows (1, 2, 1) and (3, 3, 2) tells
    // rows from columns; of a 3x2 one, rows (1, 1), (0, 0) and (1, 3).
    const double t23[6] = {1, 3, 2, 3, 1, 2}, t32[6] = {1, 0, 1, 1, 0, 3};
    double y23[6] = {}, y32[6] = {};
    coswitch::normalization(2, 3, t23, y23);
    coswitch::normalization(3, 2, t32, y32);
    EXPECT_EQ(std::vector<double>(y23, y23 + 6),
              (std::vector<double>{0.25, 0.375, 0.5, 0.375, 0.25, 0.25}));
    EXPECT_TRUE(std::isnan(y32[1]) && std::isnan(y32[4]));  // a zero row spoils that row only
    EXPECT_EQ((std::vector{y32[0], y32[3], y32[2], y32[5]}), (std::vector{0.5, 0.5, 0.25, 0.75}));
}
