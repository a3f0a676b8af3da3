#include "engine/null_counts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "analysis/pvalues.hpp"
#include "engine/packed_tallies.hpp"
#include "engine/pooled_pvalue.hpp"
#include "report/adjust.hpp"

namespace coswitch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Largest first, not-a-number last: the order the counts are kept in.
std::vector<double> best_first(std::vector<double> v) {
    std::sort(v.begin(), v.end(), [](double a, double b) {
        if (std::isnan(a) || std::isnan(b)) return !std::isnan(a) && std::isnan(b);
        return a > b;
    });
    return v;
}

// Nulls tallied from four threads at once against the observed values.
NullCounts counted(const std::vector<double>& sorted, const std::vector<double>& nulls, int bits) {
    NullCounts counts(sorted.size(), bits);
    const DescendingValues view(sorted.data(), sorted.size());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            std::int64_t nan = 0;
            for (std::size_t k = static_cast<std::size_t>(t); k < nulls.size(); k += 4) {
                if (std::isnan(nulls[k]))
                    ++nan;
                else
                    counts.add(view, nulls[k]);
            }
            counts.add_nan(nan);
        });
    for (auto& th : threads) th.join();
    counts.finish();
    return counts;
}

TEST(PackedTallies, FieldsOverflowToTheSideWithoutLosingACount) {
    EXPECT_EQ(PackedTallies::bits_for(0.0), 5);
    EXPECT_EQ(PackedTallies::bits_for(1.0), 5);
    EXPECT_EQ(PackedTallies::bits_for(2.0), 6);
    EXPECT_EQ(PackedTallies::bits_for(100.0), 12);
    EXPECT_EQ(PackedTallies::bits_for(128.0), 12);
    EXPECT_EQ(PackedTallies::bits_for(129.0), 15);
    EXPECT_EQ(PackedTallies::bits_for(1e9), 30);
    EXPECT_THROW(PackedTallies(10, 16), std::invalid_argument);

    for (const int bits : {4, 5, 6, 10, 12, 15, 20, 30}) {
        const std::size_t n = 1000;
        PackedTallies t(n, bits);
        EXPECT_EQ(t.block_positions(), 60 / static_cast<std::size_t>(bits) * 32);
        EXPECT_EQ(t.blocks() * t.block_positions() >= n, true);
        // Position p gets p % 37 adds, and 5 gets 70000, past every narrow field:
        // from four threads, so that overflows race with adds.
        std::vector<std::uint64_t> want(n);
        for (std::size_t p = 0; p < n; ++p) want[p] = p % 37;
        want[5] = 70000;
        std::vector<std::thread> threads;
        for (int k = 0; k < 4; ++k)
            threads.emplace_back([&, k] {
                for (std::size_t p = 0; p < n; ++p)
                    for (std::uint64_t m = static_cast<std::uint64_t>(k); m < want[p]; m += 4) t.add(p);
            });
        for (auto& th : threads) th.join();
        t.settle();
        // Marks sit beside the fields and leave them alone.
        for (std::size_t b = 0; b < t.blocks(); ++b) t.set_marks(b, ~std::uint64_t{0} - b, 0x0123456789abcdefull * b);
        std::uint64_t total = 0;
        for (std::size_t p = 0; p < n; ++p) {
            ASSERT_EQ(t.at(p), want[p]) << bits << " bits, position " << p;
            EXPECT_EQ(t.field(p), want[p] & ((std::uint64_t{1} << bits) - 1));
            total += want[p];
        }
        for (std::size_t b = 0; b < t.blocks(); ++b)
            EXPECT_EQ(t.marks(b), std::make_pair(std::uint64_t{~std::uint64_t{0} - b}, std::uint64_t{0x0123456789abcdefull * b}));
        EXPECT_EQ(t.sum(0, n), total);
        EXPECT_EQ(t.sum(5, 6), 70000u);
        EXPECT_EQ(t.any_side(5, 6), bits < 20);
        EXPECT_FALSE(t.any_side(6, 16));  // counts 6 to 15 fit every field
        std::size_t seen = 0;
        t.each(3, 900, [&](std::size_t p, std::uint64_t v) {
            EXPECT_EQ(p, 3 + seen++);
            EXPECT_EQ(v, want[p]);
        });
        EXPECT_EQ(seen, 897u);

        // Adding the fields and the side of another process gives the sums.
        PackedTallies sum(n, bits);
        for (int twice = 0; twice < 2; ++twice) {
            for (std::size_t p = 0; p < n; ++p) sum.add_value(p, t.field(p));
            for (const auto& [p, amount] : t.side_entries()) sum.add_side(p, amount);
        }
        for (std::size_t p = 0; p < n; ++p) ASSERT_EQ(sum.at(p), 2 * want[p]) << bits << " bits";
    }
}

TEST(NullCounts, CountsEqualTheDirectRuleWithTiesNaNAndInfinities) {
    std::mt19937 rng(7);
    // Few distinct values so that ties between and within both sets abound.
    const std::vector<double> palette = {0.0, -0.0, 0.5, 1.0, 1.0 + 1e-16, 2.0, 3.5, kInf, kNaN};
    for (int round = 0; round < 40; ++round) {
        std::vector<double> observed(1 + rng() % 40), nulls(rng() % 300);
        for (double& v : observed) v = palette[rng() % palette.size()];
        for (double& v : nulls) v = palette[rng() % palette.size()];
        if (round % 3 == 0)
            for (double& v : nulls) v = std::ldexp(static_cast<double>(rng() % 1000), -7);
        const std::vector<double> sorted = best_first(observed);
        const DescendingValues view(sorted.data(), sorted.size());
        // 4-bit fields overflow at 16: the side table is part of every count.
        const NullCounts counts = counted(sorted, nulls, round % 2 == 0 ? 4 : 12);
        EXPECT_EQ(counts.total(), static_cast<std::int64_t>(nulls.size()));
        for (std::size_t q = 0; q < sorted.size(); ++q) {
            const double x = sorted[q];
            const std::int64_t want = count_not_exceeded_direct(x, nulls);
            EXPECT_EQ(counts.count(q), want) << x << " round " << round;
            EXPECT_EQ(counts.count(position_of(view, x)), want) << x << " round " << round;
            // The count rises exactly where the value changes and a null falls.
            if (q > 0) {
                EXPECT_EQ(counts.rises_at(q), want > counts.count(q - 1)) << q;
            }
        }
        EXPECT_EQ(position_of(view, kNaN), sorted.size() - 1);
    }
}

TEST(NullCounts, TalliesOfSeveralProcessesAddUp) {
    const std::vector<double> observed = best_first({3.0, 1.0, kNaN, 2.0, 2.0});
    const DescendingValues view(observed.data(), observed.size());
    NullCounts a(observed.size(), 5), b(observed.size(), 5), whole(observed.size(), 5);
    const std::vector<double> nulls = {0.5, 2.0, 2.5, kNaN, 9.0, 1.0, 2.0};
    for (std::size_t k = 0; k < nulls.size(); ++k) {
        NullCounts& part = k < 3 ? a : b;
        for (NullCounts* c : {&part, &whole}) {
            if (std::isnan(nulls[k]))
                c->add_nan(1);
            else
                c->add(view, nulls[k]);
        }
    }
    for (std::size_t p = 0; p < a.tallies().size(); ++p) a.tallies().add_value(p, b.tallies().field(p));
    a.set_nan_nulls(a.nan_nulls() + b.nan_nulls());
    a.finish();
    whole.finish();
    EXPECT_EQ(a.total(), 7);
    // Worked by hand: 1.0 is reached by 1.0, 2.0, 2.5, 9.0, 2.0 and NaN.
    EXPECT_EQ(a.count(position_of(view, 1.0)), 6);
    EXPECT_EQ(a.count(position_of(view, 2.0)), 5);
    EXPECT_EQ(a.count(position_of(view, 3.0)), 2);
    EXPECT_EQ(a.count(position_of(view, kNaN)), 7);
    for (std::size_t q = 0; q < observed.size(); ++q) EXPECT_EQ(a.count(q), whole.count(q));
    EXPECT_THROW(a.finish(), std::logic_error);
}

// The adjusted values by position are those of the adjustment over every
// pair's count, bit for bit, over many blocks, with long runs of one count
// (where a block's values hang on the blocks after it), at every width.
TEST(NullCounts, AdjustedValuesAreTheStepUpOfEveryCountBitForBit) {
    std::mt19937_64 rng(11);
    for (const int bits : {4, 12, 30}) {
        for (const int shape : {0, 1, 2}) {
            const std::size_t n = 5000 + rng() % 3000;
            std::vector<double> observed(n);
            for (double& v : observed) {
                const double u = std::ldexp(static_cast<double>(rng() >> 11), -53);
                // Shape 1: a tenth of the values tie at the top, shape 2: many NaN.
                v = shape == 1 && rng() % 10 == 0 ? 50.0 : shape == 2 && rng() % 4 == 0 ? kNaN : -std::log(u);
            }
            const std::vector<double> sorted = best_first(observed);
            std::vector<double> nulls(n * (1 + rng() % 3));
            for (double& v : nulls) {
                const double u = std::ldexp(static_cast<double>(rng() >> 11), -53);
                v = rng() % 50 == 0 ? kNaN : -std::log(u) * (shape == 0 ? 0.7 : 1.3);
            }
            const NullCounts counts = counted(sorted, nulls, bits);
            const std::int64_t M = counts.total();
            std::vector<std::int64_t> all(n);
            std::vector<double> p(n);
            for (std::size_t q = 0; q < n; ++q) {
                all[q] = counts.count(q);
                p[q] = pooled_pvalue(all[q], M);
            }
            const std::vector<double> want = benjamini_hochberg(p);
            std::vector<double> one(n), block(n);
            for (std::size_t q = 0; q < n; ++q) one[q] = counts.adjusted(q);
            ASSERT_EQ(std::memcmp(one.data(), want.data(), n * sizeof(double)), 0) << bits << " " << shape;
            // Any range at once, as the writers read them.
            std::vector<std::int64_t> c(n);
            for (std::size_t first = 0; first < n;) {
                const std::size_t last = std::min(n, first + 1 + rng() % 1500);
                counts.values(first, last, c.data() + first, block.data() + first);
                first = last;
            }
            ASSERT_EQ(std::memcmp(block.data(), want.data(), n * sizeof(double)), 0) << bits << " " << shape;
            EXPECT_EQ(c, all);
            for (const double level : {0.0, 0.05, 0.3, 1.0}) {
                EXPECT_EQ(counts.leading_adjusted(level),
                          static_cast<std::size_t>(std::count_if(want.begin(), want.end(), [&](double a) { return a < level; })));
                EXPECT_EQ(counts.leading_adjusted(level, true),
                          static_cast<std::size_t>(std::count_if(want.begin(), want.end(), [&](double a) { return a <= level; })));
            }
        }
    }
    // Without null values every adjusted value is NaN and none passes.
    const std::vector<double> sorted = {3.0, 2.0};
    const NullCounts none = counted(sorted, {}, 5);
    EXPECT_EQ(none.total(), 0);
    EXPECT_TRUE(std::isnan(none.adjusted(1)));
    EXPECT_EQ(none.leading_adjusted(1.0, true), 0u);
}

}  // namespace
}  // namespace coswitch
