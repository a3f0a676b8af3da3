#include "report/adjust.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using coswitch::benjamini_hochberg;

TEST(BenjaminiHochberg, WorkedExampleWithTiesNaNAndStepUp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // One NaN among seven: m = 6. Sorted 0.01 0.02 0.02 0.03 0.2 0.9 give
    // p*m/rank 0.06 0.06 0.04 0.045 0.24 0.9, and the minimum from the top
    // down 0.04 0.04 0.04 0.045 0.24 0.9: ties share, step-up pulls 0.01 down.
    const std::vector<double> q = benjamini_hochberg({0.2, 0.02, nan, 0.01, 0.9, 0.03, 0.02});
    const double want[7] = {0.24, 0.04, nan, 0.04, 0.9, 0.045, 0.04};
    ASSERT_EQ(q.size(), 7u);
    EXPECT_TRUE(std::isnan(q[2]));
    for (int k : {0, 1, 3, 4, 5, 6}) EXPECT_NEAR(q[k], want[k], 1e-15) << k;
    EXPECT_EQ(q[1], q[6]);

    // Capped at 1; zeros stay zero; nothing but NaN gives NaN.
    const std::vector<double> big = benjamini_hochberg({0.8, 0.9, 0.0});
    EXPECT_NEAR(big[0], 0.9, 1e-15);  // 0.8 * 3 / 2 = 1.2, stepped down to 0.9
    EXPECT_EQ(big[2], 0.0);
    EXPECT_EQ(benjamini_hochberg({0.7, 1.0})[0], 1.0);  // 0.7 * 2 / 1 = 1.4
    EXPECT_TRUE(std::isnan(benjamini_hochberg({nan, nan})[0]));
    EXPECT_TRUE(benjamini_hochberg({}).empty());
}

TEST(BenjaminiHochberg, FromCountsBitForBitAsFromTheQuotients) {
    // Heavy ties, the extremes 0 and M, quotients that do not terminate.
    for (const std::int64_t M : {std::int64_t{1}, std::int64_t{714000}, std::int64_t{30000000011}}) {
        std::vector<std::int64_t> counts = {M, 0};
        std::vector<double> p = {1.0, 1.0 / double(M + 1)};
        std::uint64_t x = 12345;
        for (int k = 0; k < 3000; ++k) {
            x = x * 6364136223846793005u + 1442695040888963407u;
            counts.push_back(std::int64_t(x >> 33) % 4 == 0 ? std::int64_t(x >> 40) % std::min<std::int64_t>(M, 5)
                                                         : std::int64_t(x >> 20) % (M + 1));
            p.push_back(double(counts.back() + 1) / double(M + 1));
        }
        // Given an order by count, ties in any order (here backwards).
        std::vector<std::int64_t> ascending(counts.size());
        for (std::size_t k = 0; k < counts.size(); ++k) ascending[k] = std::int64_t(k);
        std::sort(ascending.begin(), ascending.end(), [&](std::int64_t a, std::int64_t b) {
            return counts[a] != counts[b] ? counts[a] < counts[b] : a > b;
        });
        const std::vector<double> want = benjamini_hochberg(p);
        for (const std::vector<double>& got : {coswitch::benjamini_hochberg_counts(counts, M),
                                               coswitch::benjamini_hochberg_counts(counts, M, ascending)})
            ASSERT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(double)), 0) << M;
    }
    for (double q : coswitch::benjamini_hochberg_counts({0, 0, 0}, 0)) EXPECT_TRUE(std::isnan(q));
}
