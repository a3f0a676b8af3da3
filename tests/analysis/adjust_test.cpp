#include "analysis/adjust.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace coswitch;

TEST(BenjaminiHochberg, WorkedExampleWithTiesNaNAndStepUp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Seven p-values, one NaN: m = 6. Sorted: 0.01 0.02 0.02 0.03 0.2 0.9
    // p * m / rank:       0.06 0.06 0.04 0.045 0.24 0.9
    // minimum from the top down:
    //                     0.04 0.04 0.04 0.045 0.24 0.9
    // The tied 0.02s share 0.04, and 0.01 is pulled down to 0.04 by step-up.
    const std::vector<double> p = {0.2, 0.02, nan, 0.01, 0.9, 0.03, 0.02};
    const std::vector<double> q = benjamini_hochberg(p);
    ASSERT_EQ(q.size(), p.size());
    EXPECT_NEAR(q[0], 0.24, 1e-15);
    EXPECT_NEAR(q[1], 0.04, 1e-15);
    EXPECT_TRUE(std::isnan(q[2]));
    EXPECT_NEAR(q[3], 0.04, 1e-15);
    EXPECT_NEAR(q[4], 0.9, 1e-15);
    EXPECT_NEAR(q[5], 0.045, 1e-15);
    EXPECT_EQ(q[1], q[6]);

    // Capped at 1; zeros stay zero; nothing but NaN gives NaN.
    const std::vector<double> big = benjamini_hochberg({0.8, 0.9, 0.0});
    EXPECT_DOUBLE_EQ(big[0], 0.9);  // 0.8 * 3 / 2 = 1.2, stepped down to 0.9
    EXPECT_DOUBLE_EQ(big[1], 0.9);
    EXPECT_EQ(big[2], 0.0);
    EXPECT_EQ(benjamini_hochberg({0.7, 1.0})[0], 1.0);  // 0.7 * 2 / 1 = 1.4
    EXPECT_EQ(benjamini_hochberg({0.6})[0], 0.6);
    EXPECT_TRUE(std::isnan(benjamini_hochberg({nan, nan})[0]));
    EXPECT_TRUE(benjamini_hochberg({}).empty());
}
