#include "engine/null_counts.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "analysis/pvalues.hpp"

namespace coswitch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NullCounter, CountsEqualTheDirectRuleWithTiesNaNAndInfinities) {
    std::mt19937 rng(7);
    // Few distinct values so that ties between and within both sets abound.
    const std::vector<double> palette = {0.0, -0.0, 0.5, 1.0, 1.0 + 1e-16, 2.0, 3.5, kInf, kNaN};
    for (int round = 0; round < 20; ++round) {
        std::vector<double> observed(1 + rng() % 40), nulls(rng() % 300);
        for (double& v : observed) v = palette[rng() % palette.size()];
        for (double& v : nulls) v = palette[rng() % palette.size()];
        if (round % 3 == 0)
            for (double& v : nulls) v = std::ldexp(static_cast<double>(rng() % 1000), -7);

        NullCounter counter(observed);
        // Added from four threads at once: the tallies must not lose any.
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (std::size_t k = static_cast<std::size_t>(t); k < nulls.size(); k += 4)
                    counter.add(nulls[k]);
            });
        for (auto& th : threads) th.join();
        counter.finish();
        EXPECT_EQ(counter.total(), static_cast<std::int64_t>(nulls.size()));
        for (double x : observed)
            EXPECT_EQ(counter.count(x), count_not_exceeded_direct(x, nulls)) << x << " round " << round;
    }
}

TEST(NullCounter, TalliesOfSeveralProcessesAddUp) {
    const std::vector<double> observed = {3.0, 1.0, kNaN, 2.0, 2.0};
    NullCounter a(observed), b(observed), whole(observed);
    const std::vector<double> nulls = {0.5, 2.0, 2.5, kNaN, 9.0, 1.0, 2.0};
    for (std::size_t k = 0; k < nulls.size(); ++k) {
        (k < 3 ? a : b).add(nulls[k]);
        whole.add(nulls[k]);
    }
    for (std::size_t k = 0; k < a.tallies().size(); ++k) a.tallies()[k] += b.tallies()[k];
    a.finish();
    whole.finish();
    EXPECT_EQ(a.total(), 7);
    // Worked by hand: 1.0 is reached by 1.0, 2.0, 2.5, 9.0, 2.0 and NaN.
    EXPECT_EQ(a.count(1.0), 6);
    EXPECT_EQ(a.count(2.0), 5);
    EXPECT_EQ(a.count(3.0), 2);
    EXPECT_EQ(a.count(kNaN), 7);
    for (double x : observed) EXPECT_EQ(a.count(x), whole.count(x));
}

}  // namespace
}  // namespace coswitch
