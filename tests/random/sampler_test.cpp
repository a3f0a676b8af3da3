#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "random/sampler.hpp"

namespace {
using coswitch::SamplerStream;

constexpr std::int64_t kM1 = 2147483563;
constexpr std::int64_t kM2 = 2147483399;

std::int64_t power_mod(std::int64_t base, std::uint64_t e, std::int64_t m) {
    std::int64_t r = 1;
    for (; e != 0; e >>= 1) {
        if (e & 1) r = r * base % m;
        base = base * base % m;
    }
    return r;
}

// A stream whose next uniform is z * 2^-31 (1 <= z <= m1 - 1).
SamplerStream stream_before(std::int64_t z) {
    const std::int64_t t2 = 1000, t1 = z + t2 < kM1 ? z + t2 : z + t2 - (kM1 - 1);
    return {static_cast<std::int32_t>(t1 * power_mod(40014, kM1 - 2, kM1) % kM1),
            static_cast<std::int32_t>(t2 * power_mod(40692, kM2 - 2, kM2) % kM2)};
}

// The category mtn marks for the uniform z * 2^-31, -1 when none, -2 when several.
int pick(const std::array<float, 4>& p, std::int64_t z) {
    SamplerStream s = stream_before(z);
    std::int32_t ix[4] = {7, 7, 7, 7};
    coswitch::mtn(1, p.data(), ix, 4, s);
    int chosen = -1;
    for (int i = 0; i < 4; ++i) {
        if (ix[i] != 0 && ix[i] != 1) return -3;
        if (ix[i] == 1) chosen = chosen == -1 ? i + 1 : -2;
    }
    return chosen;
}

bool same(const SamplerStream& a, const SamplerStream& b) { return a.t1 == b.t1 && a.t2 == b.t2; }
}  // namespace

TEST(Sampler, FirstUniformsAndOneDrawPerTrial) {
    SamplerStream s;
    EXPECT_EQ(s.t1, 2147483562);
    EXPECT_EQ(s.t2, 2147483398);
    const std::int32_t z[5] = {842, 54718832, 757022662, 1432187887, 2068145925};
    for (std::int32_t v : z) EXPECT_EQ(coswitch::sampler_uniform(s), static_cast<double>(v) * 0x1p-31);

    // The first trial of a run sees u = 842 * 2^-31, just below 3.92087e-7.
    SamplerStream t;
    const float p[4] = {3.921e-7f, 0.5f, 0.5f, 0.0f};
    std::int32_t ix[4];
    coswitch::mtn(1, p, ix, 4, t);
    EXPECT_EQ(ix[0], 1);
    SamplerStream u;
    coswitch::sampler_uniform(u);
    EXPECT_TRUE(same(t, u)) << "one uniform per trial";
    const float q[4] = {3.9e-7f, 0.5f, 0.5f, 0.0f};
    SamplerStream v;
    coswitch::mtn(1, q, ix, 4, v);
    EXPECT_EQ(ix[1], 1);
}

TEST(Sampler, IntervalsAreHalfOpenFromAbove) {
    const std::array<float, 4> even{0.25f, 0.25f, 0.25f, 0.25f};
    const std::int64_t q = 1LL << 29;  // a quarter
    EXPECT_EQ(pick(even, 1), 1);
    EXPECT_EQ(pick(even, q), 1);
    EXPECT_EQ(pick(even, q + 1), 2);
    EXPECT_EQ(pick(even, 2 * q), 2);
    EXPECT_EQ(pick(even, 2 * q + 1), 3);
    EXPECT_EQ(pick(even, 3 * q), 3);
    EXPECT_EQ(pick(even, 3 * q + 1), 4);
    EXPECT_EQ(pick(even, kM1 - 1), 4);

    // Zero-probability categories are empty intervals, first and inner alike.
    const std::array<float, 4> gaps{0.0f, 0.5f, 0.0f, 0.5f};
    EXPECT_EQ(pick(gaps, 1), 2);
    EXPECT_EQ(pick(gaps, 2 * q), 2);
    EXPECT_EQ(pick(gaps, 2 * q + 1), 4);

    // Probabilities summing short of the uniform leave every count 0.
    const std::array<float, 4> short_sum{0.2f, 0.2f, 0.2f, 0.2f};
    EXPECT_EQ(pick(short_sum, 7 * q / 2), -1);
    const std::array<float, 4> just_short{0.25f, 0.25f, 0.25f, 0.2499999f};
    EXPECT_EQ(pick(just_short, kM1 - 1), -1);

    // Running sums are kept in double: 0.1f + 0.2f lies below their single-precision
    // sum 0.3f, and a uniform between the two must already pick 3.
    const std::array<float, 4> tenths{0.1f, 0.2f, 0.3f, 0.4f};
    const double c2 = static_cast<double>(0.1f) + static_cast<double>(0.2f);
    const std::int64_t z = static_cast<std::int64_t>(c2 * 0x1p31);  // u just at or below c2
    EXPECT_EQ(pick(tenths, z), 2);
    EXPECT_EQ(pick(tenths, z + 1), 3);
}

TEST(Sampler, FrequenciesAndZeroCategoryOverManyTrials) {
    SamplerStream s;
    const float p[4] = {0.62f, 0.0f, 0.13f, 0.25f};
    int counts[4] = {}, none = 0;
    constexpr int n = 200000;
    for (int i = 0; i < n; ++i) {
        std::int32_t ix[4];
        coswitch::mtn(1, p, ix, 4, s);
        const int total = ix[0] + ix[1] + ix[2] + ix[3];
        ASSERT_LE(total, 1);
        none += total == 0;
        for (int k = 0; k < 4; ++k) counts[k] += ix[k];
    }
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(none, 0);
    for (int k : {0, 2, 3}) EXPECT_NEAR(counts[k], n * p[k], 1500) << k;

    // One category: every trial lands in it.
    SamplerStream t;
    const float one = 1.0f;
    for (int i = 0; i < 1000; ++i) {
        std::int32_t ix = 0;
        coswitch::mtn(1, &one, &ix, 1, t);
        ASSERT_EQ(ix, 1);
    }
}

TEST(Sampler, JumpEqualsSingleDraws) {
    for (const SamplerStream start : {SamplerStream{}, SamplerStream{12345, 67890}}) {
        for (std::uint64_t k : {0ULL, 1ULL, 2ULL, 1000ULL, 123457ULL}) {
            SamplerStream stepped = start;
            for (std::uint64_t i = 0; i < k; ++i) coswitch::sampler_uniform(stepped);
            SamplerStream jumped = start;
            coswitch::sampler_jump(jumped, k);
            EXPECT_TRUE(same(jumped, stepped)) << "k=" << k;
            EXPECT_EQ(coswitch::sampler_uniform(jumped), coswitch::sampler_uniform(stepped));
        }
    }
    // Jumps compose, including ones longer than a 32-bit count.
    SamplerStream a, b;
    coswitch::sampler_jump(a, 1ULL << 40);
    coswitch::sampler_jump(a, 987654321ULL);
    coswitch::sampler_jump(b, (1ULL << 40) + 987654321ULL);
    EXPECT_TRUE(same(a, b));
    // A saved stream replays the same trials.
    const SamplerStream saved = a;
    const float p[4] = {0.4f, 0.3f, 0.2f, 0.1f};
    std::int32_t first[100][4], again[100][4];
    for (auto& ix : first) coswitch::mtn(1, p, ix, 4, a);
    a = saved;
    for (auto& ix : again) coswitch::mtn(1, p, ix, 4, a);
    for (int i = 0; i < 100; ++i)
        for (int k = 0; k < 4; ++k) ASSERT_EQ(first[i][k], again[i][k]) << i;
    // A whole cycle of either component brings it back.
    SamplerStream c;
    coswitch::sampler_jump(c, static_cast<std::uint64_t>(kM1 - 1));
    EXPECT_EQ(c.t1, SamplerStream{}.t1);
}
