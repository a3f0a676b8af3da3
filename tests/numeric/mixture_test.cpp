#include "numeric/mixture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace coswitch;

TEST(Mixture, RecoversSeparatedStatesDeterministically) {
    std::mt19937 g(7);  // a fixed sequence: the same data on every platform
    auto rnd = [&](double mean, double sd) {
        const double r = std::sqrt(-2.0 * std::log((g() + 0.5) / 4294967296.0));
        return mean + sd * r * std::cos(6.283185307179586 * ((g() + 0.5) / 4294967296.0));
    };
    // 30% high values listed first: the low one must still be state 0.
    std::vector<double> x;
    for (int k = 0; k < 400; ++k) x.push_back(k < 120 ? rnd(6.0, 0.8) : rnd(2.0, 0.5));
    const MixtureFit f = fit_two_normals(x);
    EXPECT_TRUE(f.converged);
    EXPECT_NEAR(f.mean0, 2.0, 0.15);
    EXPECT_NEAR(f.sd0, 0.5, 0.1);
    EXPECT_NEAR(f.mean1, 6.0, 0.2);
    EXPECT_NEAR(f.sd1, 0.8, 0.15);
    EXPECT_NEAR(f.weight1, 0.3, 0.03);
    EXPECT_GT(separation(f), 5.0);
    EXPECT_TRUE(two_states_supported(f, x.size()));
    const MixtureFit again = fit_two_normals(x);
    EXPECT_EQ(again.mean0, f.mean0);
    EXPECT_EQ(again.sd1, f.sd1);
    EXPECT_EQ(again.weight1, f.weight1);
}

TEST(Mixture, FloorVariationAndSeparation) {
    // Two values, one state each: unfloored, both deviations would be 0.
    const MixtureFit two = fit_two_normals({3.0, 1.0});
    EXPECT_DOUBLE_EQ(two.mean0, 1.0);
    EXPECT_DOUBLE_EQ(two.mean1, 3.0);
    EXPECT_DOUBLE_EQ(two.sd0, 0.05);  // 5% of the overall deviation, 1
    EXPECT_DOUBLE_EQ(two.sd1, 0.05);
    EXPECT_DOUBLE_EQ(fit_two_normals({3.0, 1.0}, MixtureSettings{0.5, 500, 1e-10}).sd0, 0.5);

    EXPECT_FALSE(has_variation({2.5, 2.5, 2.5}));
    EXPECT_FALSE(has_variation({7.0}));
    EXPECT_TRUE(has_variation({2.5, 2.5, 2.6}));
    // The root mean square of the deviations 1 and sqrt(7) is 2.
    const MixtureFit f{.mean0 = 1.0, .sd0 = 1.0, .mean1 = 4.0, .sd1 = std::sqrt(7.0)};
    EXPECT_DOUBLE_EQ(separation(f), 1.5);
}
