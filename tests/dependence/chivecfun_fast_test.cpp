#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "dependence/chivecfun.hpp"
#include "dependence/chivecfun_reference.hpp"

namespace {
using coswitch::Table4;
using coswitch::Vec4;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Weights from a two-state chain per gene seen through normal densities,
// with some degenerate entries mixed in on request.
std::vector<double> weights(std::mt19937_64& rng, int nrep, int ntime, int kind) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (double& v : q) v = std::exp(-8.0 * u(rng)) * u(rng);
    if (kind == 1)  // a replicate or time point with all-zero weights
        for (int k = 0; k < 4; ++k) q[static_cast<std::size_t>(nrep * ntime * k)] = 0.0;
    if (kind == 2) q[q.size() / 2] = std::numeric_limits<double>::quiet_NaN();
    if (kind == 3)
        for (double& v : q) v = v < 0.3 ? 0.0 : v;
    if (kind == 4)
        for (double& v : q) v *= 1e-200;  // products underflow along the chain
    if (kind == 5)  // negative weights (a negative deviation) and signed zeros
        for (std::size_t n = 0; n < q.size(); ++n)
            q[n] = n % 37 == 0 ? -q[n] : (n % 41 == 0 ? -0.0 : q[n]);
    if (kind == 6) q[q.size() - 1] = std::numeric_limits<double>::infinity();
    if (kind == 7)
        for (double& v : q) v = 0.0;
    return q;
}

// Each path the processor has, forced in turn; the automatic choice after.
std::vector<coswitch::SimdPath> paths() {
    std::vector<coswitch::SimdPath> p{coswitch::SimdPath::sse2};
    if (coswitch::set_simd_path(coswitch::SimdPath::avx2)) p.push_back(coswitch::SimdPath::avx2);
    coswitch::set_simd_path(coswitch::SimdPath::automatic);
    return p;
}
}  // namespace

// The fast fit must give the very bits of the loop-for-loop one, on ordinary
// and on degenerate weights, reusing one scratch across calls of all sizes.
TEST(ChivecfunFast, IdenticalBitsToReference) {
    const auto forced = paths();
    std::printf("fit paths checked: %s\n", forced.size() == 2 ? "sse2, avx2" : "sse2 only");
    std::mt19937_64 rng(12345);
    coswitch::ChivecScratch scratch;
    const int sizes[][2] = {{1, 2}, {1, 7}, {3, 2}, {3, 12}, {5, 20}, {2, 50},
                            {17, 9}, {50, 5}, {4, 3}, {7, 6}, {1, 30}, {9, 31}};
    int compared = 0;
    for (const auto path : forced)
    for (int kind = 0; kind <= 7; ++kind)
        for (const auto& sz : sizes)
            for (int rep = 0; rep < 3; ++rep) {
                ASSERT_TRUE(coswitch::set_simd_path(path));
                const auto q = weights(rng, sz[0], sz[1], kind);
                double s1 = 0, s2 = 0;
                Table4 n1, n2;
                Vec4 p1{}, p2{};
                const auto i1 = coswitch::chivecfun(sz[0], sz[1], q.data(), s1, n1, p1, scratch);
                const auto i2 = coswitch::chivecfun_reference(sz[0], sz[1], q.data(), s2, n2, p2);
                ASSERT_EQ(i1.passes, i2.passes) << kind << " " << sz[0] << "x" << sz[1];
                ASSERT_EQ(i1.capped, i2.capped);
                ASSERT_TRUE(same_bits(s1, s2)) << s1 << " vs " << s2;
                for (int k = 0; k < 4; ++k) ASSERT_TRUE(same_bits(p1[k], p2[k]));
                for (int n = 0; n < 16; ++n) ASSERT_TRUE(same_bits(n1.v[n], n2.v[n]));
                ++compared;
            }
    coswitch::set_simd_path(coswitch::SimdPath::automatic);
    EXPECT_EQ(compared, static_cast<int>(forced.size()) * 8 * 12 * 3);
}

// The path switch: avx2 is refused only where the processor lacks it, and
// the automatic choice takes it wherever it is there.
TEST(ChivecfunFast, PathSwitch) {
    const bool avx2 = coswitch::set_simd_path(coswitch::SimdPath::avx2);
    EXPECT_EQ(avx2, __builtin_cpu_supports("avx2") != 0);
    EXPECT_TRUE(coswitch::set_simd_path(coswitch::SimdPath::sse2));
    EXPECT_EQ(coswitch::simd_path(), coswitch::SimdPath::sse2);
    EXPECT_TRUE(coswitch::set_simd_path(coswitch::SimdPath::automatic));
    EXPECT_EQ(coswitch::simd_path(), avx2 ? coswitch::SimdPath::avx2 : coswitch::SimdPath::sse2);
}
