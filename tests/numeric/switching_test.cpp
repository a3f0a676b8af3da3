#include "numeric/switching.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace coswitch {
namespace {

TEST(Switching, PersistenceOfWorkedCourses) {
    // 0 0 1 1 0 0 1 1: mean 0.5, deviations +-0.5; lag products over 7
    // steps: 4 of +0.25 and 3 of -0.25, sum 0.25; squares sum 2.
    const Persistence blocks = persistence({0, 0, 1, 1, 0, 0, 1, 1});
    EXPECT_DOUBLE_EQ(blocks.lag1, 0.125);
    // z = (0.125 + 1/8) / (6 / (8 sqrt 7)).
    EXPECT_DOUBLE_EQ(blocks.z, 0.25 / (6.0 / (8.0 * std::sqrt(7.0))));
    EXPECT_FALSE(switching(blocks));

    // Alternation is the opposite of persistence.
    const Persistence alternating = persistence({0, 1, 0, 1, 0, 1, 0, 1, 0, 1});
    EXPECT_DOUBLE_EQ(alternating.lag1, -0.9);
    EXPECT_FALSE(switching(alternating));

    // Two long runs: low then high, 18 time points.
    std::vector<double> step(18, 0.0);
    for (std::size_t t = 9; t < 18; ++t) step[t] = 1.0;
    const Persistence s = persistence(step);
    EXPECT_DOUBLE_EQ(s.lag1, (16 * 0.25 - 0.25) / (18 * 0.25));
    EXPECT_TRUE(switching(s));

    // Undefined: too short, or no variation.
    EXPECT_TRUE(std::isnan(persistence({1, 2}).z));
    EXPECT_TRUE(std::isnan(persistence({3, 3, 3, 3}).lag1));
    EXPECT_FALSE(switching(persistence({3, 3, 3, 3})));
}

TEST(Switching, BicGainPricesThreeParameters) {
    EXPECT_DOUBLE_EQ(bic_gain(-10.0, -14.0, 18), 8.0 - 3.0 * std::log(18.0));
    EXPECT_LT(bic_gain(-10.0, -10.5, 100), 0.0);
}

}  // namespace
}  // namespace coswitch
