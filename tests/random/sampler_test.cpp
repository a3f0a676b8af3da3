#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <vector>

#include "numeric/simd_path.hpp"
#include "random/sampler.hpp"

using namespace coswitch;

namespace {
constexpr std::int64_t kM1 = 2147483563, kM2 = 2147483399;

// The category (1 to 4) mtn marks when its uniform is z * 2^-31; 0 for none, -1 for anything
// but a single 1.
int pick(const std::array<float, 4>& p, std::int64_t z) {
    const std::int64_t t2 = 1000, t1 = z + t2 < kM1 ? z + t2 : z + t2 - (kM1 - 1);
    SamplerStream s{static_cast<std::int32_t>(t1 * 2082061899 % kM1),  // inverse multipliers
                    static_cast<std::int32_t>(t2 * 1481316021 % kM2)};
    std::int32_t ix[4] = {7, 7, 7, 7};
    mtn(1, p.data(), ix, 4, s);
    int chosen = 0;
    for (int i = 0; i < 4; ++i) {
        if (ix[i] != 0 && (ix[i] != 1 || chosen != 0)) return -1;
        if (ix[i] == 1) chosen = i + 1;
    }
    return chosen;
}
}  // namespace

TEST(Sampler, UniformsAndTrials) {
    SamplerStream s;
    for (std::int32_t z : {842, 54718832, 757022662, 1432187887, 2068145925})
        EXPECT_EQ(sampler_uniform(s), z * 0x1p-31);

    const std::array<float, 4> even{0.25f, 0.25f, 0.25f, 0.25f}, gaps{0.0f, 0.5f, 0.0f, 0.5f},
        just_short{0.25f, 0.25f, 0.25f, 0.2499999f}, tenths{0.1f, 0.2f, 0.3f, 0.4f};
    const std::int64_t q = 1LL << 29;
    // Sums run in double: 0.1f + 0.2f lies below the single-precision 0.3f.
    const auto c2 = static_cast<std::int64_t>((static_cast<double>(0.1f) + 0.2f) * 0x1p31);
    using Case = std::tuple<std::array<float, 4>, std::int64_t, int>;  // probabilities, z, category
    for (const auto& [p, z, want] : std::initializer_list<Case>{
             {even, 1, 1}, {even, q, 1}, {even, q + 1, 2}, {even, 2 * q, 2}, {even, 2 * q + 1, 3},
             {even, 3 * q, 3}, {even, 3 * q + 1, 4}, {even, kM1 - 1, 4},
             {gaps, 1, 2}, {gaps, 2 * q, 2}, {gaps, 2 * q + 1, 4},
             {just_short, kM1 - 1, 0}, {tenths, c2, 2}, {tenths, c2 + 1, 3}})
        EXPECT_EQ(pick(p, z), want) << p[3] << " " << z;

    // One uniform per trial; a zero-probability category is never chosen.
    SamplerStream t;
    s = SamplerStream{};
    const float p[4] = {0.62f, 0.0f, 0.13f, 0.25f};
    int counts[4] = {};
    constexpr int n = 200000;
    for (int i = 0; i < n; ++i) {
        std::int32_t ix[4];
        mtn(1, p, ix, 4, s);
        sampler_uniform(t);
        ASSERT_EQ(ix[0] + ix[1] + ix[2] + ix[3], 1);
        for (int k = 0; k < 4; ++k) counts[k] += ix[k];
    }
    EXPECT_EQ(s.t1, t.t1);
    EXPECT_EQ(s.t2, t.t2);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(counts[k], n * p[k], p[k] > 0 ? 1500 : 0) << k;
}

TEST(Sampler, JumpLandsWhereSingleDrawsLand) {
    for (const SamplerStream start : {SamplerStream{}, SamplerStream{12345, 67890}})
        for (std::uint64_t k : {0ULL, 1ULL, 2ULL, 1000ULL, 123457ULL}) {
            SamplerStream stepped = start, jumped = start;
            for (std::uint64_t i = 0; i < k; ++i) sampler_uniform(stepped);
            sampler_jump(jumped, k);
            EXPECT_EQ(jumped.t1, stepped.t1) << k;
            EXPECT_EQ(jumped.t2, stepped.t2) << k;
        }
    // Counts beyond 32 bits: whole periods of a component (dividing m - 1) change nothing.
    SamplerStream seven, a, b;
    for (int i = 0; i < 7; ++i) sampler_uniform(seven);
    sampler_jump(a, (kM1 - 1) * 4096ULL + 7);
    sampler_jump(b, (kM2 - 1) * 4096ULL + 7);
    EXPECT_EQ(a.t1, seven.t1);
    EXPECT_EQ(b.t2, seven.t2);
}

// Bounds formed once give the very marks of mtn, uniform for uniform, on
// ordinary rows, rows with zeros, rows summing short of 1, decreasing bounds
// (a negative probability) and rows that are not numbers; the batch of
// uniforms is the stream's own sequence.
TEST(Sampler, BoundsOnceAndUniformBatchMatchSingleTrials) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::array<std::array<float, 4>, 7> rows{{{0.71f, 0.12f, 0.09f, 0.08f},
                                                     {0.0f, 0.5f, 0.0f, 0.5f},
                                                     {0.25f, 0.25f, 0.25f, 0.2499999f},
                                                     {0.1f, 0.2f, 0.3f, 0.4f},
                                                     {0.5f, -0.25f, 0.5f, 0.25f},
                                                     {nan, 0.25f, 0.25f, 0.25f},
                                                     {1.0f, 0.0f, 0.0f, 0.0f}}};
    SamplerStream single, batch;
    std::vector<double> u(20000);
    sampler_fill(batch, u.data(), u.size());
    for (std::size_t n = 0; n < u.size(); ++n) {
        const auto& p = rows[n % rows.size()];
        SamplerStream before = single;
        ASSERT_EQ(sampler_uniform(before), u[n]) << n;
        std::int32_t ix[4];
        mtn(1, p.data(), ix, 4, single);
        ASSERT_EQ(mtn_marks(cell_bounds(p.data()), u[n]), ix[0] + 2 * ix[1] + 3 * ix[2] + 4 * ix[3])
            << "row " << n % rows.size() << ", u = " << u[n];
    }
    EXPECT_EQ(batch.t1, single.t1);
    EXPECT_EQ(batch.t2, single.t2);
    // The edges: u on a bound goes below it, just above goes above.
    const CellBounds even = cell_bounds(std::array<float, 4>{0.25f, 0.25f, 0.25f, 0.25f}.data());
    EXPECT_EQ(mtn_marks(even, 0.25), 1);
    EXPECT_EQ(mtn_marks(even, 0.25 + 0x1p-31), 2);
    EXPECT_EQ(mtn_marks(even, 1.0), 4);
    EXPECT_EQ(mtn_marks(even, 0.0), 0);
}

TEST(Sampler, FillOfEveryLengthEqualsSingleDraws) {
    // Short fills draw one at a time, longer ones in interleaved chains with
    // a remainder, on either instruction set: each length leaves the values
    // and the stream of single draws.
    for (const SimdPath path : {SimdPath::avx2, SimdPath::sse2})
    for (const SamplerStream start : {SamplerStream{}, SamplerStream{1, 1}, SamplerStream{12345, 67890},
                                      SamplerStream{2147483562, 1}, SamplerStream{1, 2147483398}})
        for (std::size_t n = 0; n <= 70 && set_simd_path(path); ++n) {
            SamplerStream single = start, batch = start;
            std::vector<double> u(n + 1, -1.0);
            sampler_fill(batch, u.data(), n);
            for (std::size_t k = 0; k < n; ++k) ASSERT_EQ(u[k], sampler_uniform(single)) << n << " " << k;
            EXPECT_EQ(u[n], -1.0) << n;
            EXPECT_EQ(batch.t1, single.t1) << n;
            EXPECT_EQ(batch.t2, single.t2) << n;
        }
    set_simd_path(SimdPath::automatic);
}
