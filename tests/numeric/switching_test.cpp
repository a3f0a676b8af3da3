#include "numeric/switching.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace coswitch {
namespace {

TEST(Switching, PersistenceOfWorkedCourses) {
    // One course 0 0 1 1 0 0 1 1: mean 0.5, deviations +-0.5; lag products
    // over 7 steps: 4 of +0.25 and 3 of -0.25, sum 0.25; squares sum 2.
    const Persistence blocks = persistence({0, 0, 1, 1, 0, 0, 1, 1}, 8, 1);
    EXPECT_DOUBLE_EQ(blocks.lag1, 0.125);
    EXPECT_GT(blocks.p, 0.1);
    EXPECT_FALSE(persistent(blocks));

    // Alternation is the opposite of persistence: nearly every order persists more.
    const Persistence alternating = persistence({0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, 10, 1);
    EXPECT_DOUBLE_EQ(alternating.lag1, -0.9);
    EXPECT_GT(alternating.p, 0.95);

    // Low, then high: no random order of 18 values persists as much.
    std::vector<double> step(18, 0.0);
    for (std::size_t t = 9; t < 18; ++t) step[t] = 1.0;
    const Persistence s = persistence(step, 18, 1);
    EXPECT_DOUBLE_EQ(s.lag1, (16 * 0.25 - 0.25) / (18 * 0.25));
    EXPECT_DOUBLE_EQ(s.p, 0.001);
    EXPECT_TRUE(persistent(s));

    // Replicates are separate courses, each centred on its own mean: the
    // values t-major, replicate fastest. Replicate 2 is replicate 1 plus 10.
    std::vector<double> two;
    for (int t = 0; t < 8; ++t) {
        const double v = t < 4 ? 1.0 : 3.0;
        two.push_back(v);
        two.push_back(v + 10.0);
    }
    const Persistence pooled = persistence(two, 8, 2);
    EXPECT_DOUBLE_EQ(pooled.lag1, persistence({1, 1, 1, 1, 3, 3, 3, 3}, 8, 1).lag1);
    EXPECT_TRUE(persistent(pooled));

    // The same values always give the same p-value.
    EXPECT_EQ(persistence(two, 8, 2).p, pooled.p);

    // Values near the end of the double range, whose squares overflow: the
    // same test as on the values scaled down, not a NaN taken as persistence.
    for (const double big : {1e154, 1e300, -1e308}) {
        std::vector<double> huge = step;
        for (double& v : huge) v = v != 0 ? big : big / 2;
        const Persistence h = persistence(huge, 18, 1);
        EXPECT_NEAR(h.lag1, s.lag1, 1e-12) << big;
        EXPECT_EQ(h.p, s.p) << big;
    }
    const Persistence flat_big = persistence(std::vector<double>(18, 1e308), 18, 1);
    EXPECT_TRUE(std::isnan(flat_big.lag1) && std::isnan(flat_big.p));
    std::vector<double> with_inf = step;
    with_inf[3] = INFINITY;
    const Persistence inf = persistence(with_inf, 18, 1);
    EXPECT_TRUE(std::isnan(inf.lag1) && std::isnan(inf.p));
    EXPECT_FALSE(persistent(inf));

    // Missing values: the course is centred on its values' mean, steps
    // into or out of a hole add nothing, and time orders keep the holes.
    const double nan = std::nan("");
    EXPECT_DOUBLE_EQ(persistence({0, 0, nan, 1, 1}, 5, 1).lag1, 0.5);
    std::vector<double> holes = step;
    holes[4] = holes[13] = nan;
    EXPECT_TRUE(persistent(persistence(holes, 18, 1)));

    // Undefined: too short, or no variation.
    EXPECT_TRUE(std::isnan(persistence({1, 2}, 2, 1).p));
    EXPECT_TRUE(std::isnan(persistence({3, 3, 3, 3}, 4, 1).lag1));
    EXPECT_FALSE(persistent(persistence({3, 3, 3, 3}, 4, 1)));
}

TEST(Switching, EitherTwoStatesOrPersistence) {
    EXPECT_DOUBLE_EQ(bic_gain(-10.0, -14.0, 18), 8.0 - 3.0 * std::log(18.0));
    EXPECT_LT(bic_gain(-10.0, -10.5, 100), 0.0);
    Persistence weak{0.1, 0.2}, strong{0.6, 0.004};
    EXPECT_TRUE(switching(0.5, weak));
    EXPECT_TRUE(switching(-3.0, strong));
    EXPECT_FALSE(switching(-0.1, weak));
    EXPECT_FALSE(switching(0.0, weak));
    EXPECT_FALSE(switching(std::nan(""), Persistence{std::nan(""), std::nan("")}));
}

// A missing value has no part in a gene's fit: the fit of the values with
// holes is, bit for bit, the fit of the values there are; persistence keeps
// the holes where they are in time.
TEST(Switching, MissingValuesHaveNoPartInTheTwoStateFit) {
    const double nan = std::nan("");
    const std::vector<double> holes = {1.0, nan, 1.2, 5.1, 4.8, nan, 5.3, 0.9, 1.1, 5.0};
    const std::vector<double> there = {1.0, 1.2, 5.1, 4.8, 5.3, 0.9, 1.1, 5.0};
    const TwoStateFit a = fit_two_states(holes, 10, 1), b = fit_two_states(there);
    EXPECT_EQ(a.fit.mean0, b.fit.mean0);
    EXPECT_EQ(a.fit.sd0, b.fit.sd0);
    EXPECT_EQ(a.fit.mean1, b.fit.mean1);
    EXPECT_EQ(a.fit.sd1, b.fit.sd1);
    EXPECT_EQ(a.fit.weight1, b.fit.weight1);
    EXPECT_EQ(a.fit.loglik, b.fit.loglik);
    EXPECT_EQ(a.bic_gain, b.bic_gain);  // its price counts 8 values, not 10
    EXPECT_EQ(a.bic_gain, bic_gain(b.fit.loglik, b.fit.loglik_single, 8));
    EXPECT_NEAR(a.fit.mean0, 1.05, 1e-9);
    EXPECT_NEAR(a.fit.mean1, 5.05, 1e-9);
    EXPECT_FALSE(std::isnan(a.persistence.lag1));
    // Two replicates' courses, one hole each: the same fit as the six values.
    const TwoStateFit c = fit_two_states({1, 1.1, nan, 5, 5.2, nan, 0.8, 4.9}, 4, 2);
    const TwoStateFit d = fit_two_states({1, 1.1, 5, 5.2, 0.8, 4.9});
    EXPECT_EQ(c.fit.mean1, d.fit.mean1);
    EXPECT_EQ(c.fit.loglik, d.fit.loglik);
}

}  // namespace
}  // namespace coswitch
