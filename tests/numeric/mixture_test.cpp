#include "numeric/mixture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace coswitch;

namespace {
// Box-Muller on mt19937, whose sequence is fixed: the same data on every platform.
struct Normals {
    explicit Normals(unsigned seed) : g(seed) {}
    double operator()(double mean, double sd) {
        const double u1 = (static_cast<double>(g()) + 0.5) / 4294967296.0;
        const double u2 = (static_cast<double>(g()) + 0.5) / 4294967296.0;
        return mean + sd * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }
    std::mt19937 g;
};

double population_sd(const std::vector<double>& x) {
    double m = 0;
    for (double v : x) m += v;
    m /= static_cast<double>(x.size());
    double ss = 0;
    for (double v : x) ss += (v - m) * (v - m);
    return std::sqrt(ss / static_cast<double>(x.size()));
}
}  // namespace

TEST(Mixture, RecoversTwoSeparatedStatesWithLowerMeanAsStateZero) {
    // 30% high values listed first: the fit must still call the low one state 0.
    Normals rnd(7);
    std::vector<double> x;
    for (int k = 0; k < 120; ++k) x.push_back(rnd(6.0, 0.8));
    for (int k = 0; k < 280; ++k) x.push_back(rnd(2.0, 0.5));
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
    EXPECT_EQ(again.iterations, f.iterations);
}

TEST(Mixture, OneNormalIsNotTakenForTwoStates) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        Normals rnd(seed);
        std::vector<double> x;
        for (int k = 0; k < 200; ++k) x.push_back(rnd(0.0, 1.0));
        const MixtureFit f = fit_two_normals(x);
        EXPECT_FALSE(two_states_supported(f, x.size())) << "seed " << seed;
        EXPECT_LE(f.iterations, 500);
    }
}

TEST(Mixture, FloorKeepsARepeatedValueFromCollapsing) {
    // Half the values are one number: unfloored, state 0 would shrink to a point.
    Normals rnd(3);
    std::vector<double> x(40, 1.0);
    for (int k = 0; k < 40; ++k) x.push_back(rnd(5.0, 1.0));
    const MixtureFit f = fit_two_normals(x);
    EXPECT_DOUBLE_EQ(f.sd0, 0.05 * population_sd(x));
    EXPECT_NEAR(f.mean0, 1.0, 1e-9);
    EXPECT_TRUE(std::isfinite(f.loglik));

    // The smallest possible column: two values, each a state of its own.
    const MixtureFit two = fit_two_normals({3.0, 1.0});
    EXPECT_DOUBLE_EQ(two.mean0, 1.0);
    EXPECT_DOUBLE_EQ(two.mean1, 3.0);
    EXPECT_DOUBLE_EQ(two.sd0, 0.05);
    EXPECT_DOUBLE_EQ(two.sd1, 0.05);
    EXPECT_DOUBLE_EQ(two.weight1, 0.5);

    const MixtureFit wide = fit_two_normals(x, MixtureSettings{0.5, 500, 1e-10});
    EXPECT_DOUBLE_EQ(wide.sd0, 0.5 * population_sd(x));
}

TEST(Mixture, VariationAndSeparation) {
    EXPECT_FALSE(has_variation({2.5, 2.5, 2.5}));
    EXPECT_FALSE(has_variation({7.0}));
    EXPECT_TRUE(has_variation({2.5, 2.5, 2.6}));
    MixtureFit f;
    f.mean0 = 1.0;
    f.mean1 = 4.0;
    f.sd0 = 1.0;
    f.sd1 = std::sqrt(7.0);  // root mean square of the deviations: 2
    EXPECT_DOUBLE_EQ(separation(f), 1.5);
}
