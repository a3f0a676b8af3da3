#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/elementary.hpp"
#include "numeric/elementary_lanes.hpp"

#ifdef COSWITCH_HAVE_QUADMATH
#include <quadmath.h>
#endif

using namespace coswitch;


namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Xorshift {
    std::uint64_t s = 88172645463325252ULL;
    double next() {  // in [0, 1)
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<double>(s >> 11) * 0x1p-53;
    }
};

#ifdef COSWITCH_HAVE_QUADMATH
// |got - ref| in units of the last place of a double near ref.
double ulps(double got, __float128 ref) {
    if (std::isinf(got) && ref > static_cast<__float128>(std::numeric_limits<double>::max()))
        return 0.0;
    int e;
    frexpq(ref, &e);
    const __float128 ulp = ldexpq(static_cast<__float128>(1.0), std::max(e - 53, -1074));
    return static_cast<double>(fabsq((static_cast<__float128>(got) - ref) / ulp));
}
#endif

}  // namespace

// Within about half a unit in the last place against 113-bit references, over
// the whole range of exp (normal results) and log's arguments of every size.
TEST(Elementary, AccurateToHalfAnUlp) {
#ifndef COSWITCH_HAVE_QUADMATH
    GTEST_SKIP() << "no libquadmath for the 113-bit references";
#else
    Xorshift g;
    double worst[4] = {0, 0, 0, 0};
    for (int n = 0; n < 400000; ++n) {
        const double x = n % 2 ? -60.0 * g.next() : 1456.0 * g.next() - 746.0;
        const double y = portable_exp(x);
        if (y >= 0x1p-1022) worst[0] = std::max(worst[0], ulps(y, expq(x)));
        const int scale = static_cast<int>(2100 * g.next()) - 1075;  // drawn first, as ever
        double z = std::ldexp(0.5 + g.next(), scale);
        if (n % 3 == 0) z = 1.0 + (g.next() - 0.5) * 0x1p-6;  // log's hardest: near 1
        worst[1] = std::max(worst[1], ulps(portable_log(z), logq(z)));
        worst[2] = std::max(worst[2], ulps(portable_log2(z), log2q(z)));
        worst[3] = std::max(worst[3], ulps(portable_log10(z), log10q(z)));
    }
    EXPECT_LT(worst[0], 0.52);
    EXPECT_LT(worst[1], 0.501);
    EXPECT_LT(worst[2], 0.501);
    EXPECT_LT(worst[3], 0.501);
#endif
}

TEST(Elementary, EdgesOfTheRangeAndSpecialValues) {
    EXPECT_EQ(portable_exp(0.0), 1.0);
    EXPECT_EQ(portable_exp(-0.0), 1.0);
    EXPECT_EQ(portable_exp(1e-300), 1.0);
    EXPECT_EQ(portable_exp(1.0), 2.718281828459045);
    EXPECT_EQ(portable_exp(709.782712893384), 0x1.fffffffffff2ap+1023);  // largest finite
    EXPECT_EQ(portable_exp(709.7827128933841), kInf);
    EXPECT_EQ(portable_exp(kInf), kInf);
    EXPECT_EQ(portable_exp(-708.3964185322641), 0x1.000000000007cp-1022);  // near the least normal
    EXPECT_EQ(portable_exp(-745.1332191019411), 0x1p-1074);  // least subnormal
    EXPECT_EQ(portable_exp(-745.1332191019412), 0.0);
    EXPECT_EQ(portable_exp(-kInf), 0.0);
    EXPECT_TRUE(std::isnan(portable_exp(std::nan(""))));

    EXPECT_EQ(portable_log(1.0), 0.0);
    EXPECT_EQ(portable_log(2.0), 0.6931471805599453);
    EXPECT_EQ(portable_log(0x1p-1074), -744.4400719213812);
    EXPECT_EQ(portable_log(std::numeric_limits<double>::max()), 709.782712893384);
    EXPECT_EQ(portable_log(0.0), -kInf);
    EXPECT_EQ(portable_log(-0.0), -kInf);
    EXPECT_EQ(portable_log(kInf), kInf);
    for (double bad : {-1e-300, -1.0, -kInf, std::nan("")}) {
        EXPECT_TRUE(std::isnan(portable_log(bad)));
        EXPECT_TRUE(std::isnan(portable_log2(bad)));
        EXPECT_TRUE(std::isnan(portable_log10(bad)));
    }
    // Whole numbers where the answer is one: log2(x + 1) of counts, decades.
    for (int k = -1074; k <= 1023; ++k) ASSERT_EQ(portable_log2(std::ldexp(1.0, k)), k) << k;
    double ten = 1.0;
    for (int k = 0; k <= 22; ++k, ten *= 10.0) ASSERT_EQ(portable_log10(ten), k) << k;
    EXPECT_EQ(portable_log2(3.0), 1.5849625007211561);
    EXPECT_EQ(portable_log10(0.01), -2.0);
}

namespace {
__attribute__((target("avx2,fma"))) void exp_four_fused(const double* x, double* y) {
    _mm256_storeu_pd(y, exp4_fused(_mm256_loadu_pd(x)));
}
}  // namespace

// The four lanes take the common way only when every lane may: each edge
// of it in any lane, with either sign, gives the one-at-a-time bits.
TEST(Elementary, ExpLanesAtTheEdgesOfTheCommonCase) {
    if (!(elementary_detail::has_fma() && __builtin_cpu_supports("avx2"))) GTEST_SKIP();
    const double edges[] = {0x1p-54, std::nextafter(0x1p-54, 0.0), 512.0, std::nextafter(512.0, 0.0),
                            0x1p-1074, 0.0, 1024.0, 800.0, INFINITY, NAN, 0.5, 700.0};
    for (const double e : edges)
        for (const double sign : {1.0, -1.0})
            for (int l = 0; l < 4; ++l) {
                double x[4] = {0.25, -3.0, 1.5, -0.75}, y[4];
                x[l] = sign * e;
                exp_four_fused(x, y);
                for (int k = 0; k < 4; ++k) {
                    const double want = elementary_detail::exp_by_library(x[k]);
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(y[k]), std::bit_cast<std::uint64_t>(want))
                        << x[k] << " in lane " << l;
                }
            }
}

// exp gives the same bits by the instruction and by the C library's fma in
// software, four lanes at once or one at a time, and on a processor with FMA
// the bits of the system's own exp (the results of earlier runs). The bits
// are pinned as well: no machine, compiler or flag may change them.
TEST(Elementary, ExpTheSameEveryWay) {
    const bool fused = elementary_detail::has_fma() && __builtin_cpu_supports("avx2");
    Xorshift g;
    std::uint64_t hash = 0;
    for (int n = 0; n < 200000; ++n) {
        double x[4], y[4];
        for (int l = 0; l < 4; ++l) x[l] = 1600.0 * g.next() - 800.0;
        if (n % 5 == 0) x[n % 4] = (g.next() - 0.5) * 0x1p-50;  // about 1
        if (n % 7 == 0) x[n % 4] = std::bit_cast<double>(g.s);  // any bits
        if (fused) exp_four_fused(x, y);
        for (int l = 0; l < 4; ++l) {
            const double e = elementary_detail::exp_by_library(x[l]);
            const auto bits = std::bit_cast<std::uint64_t>(e);
            if (elementary_detail::has_fma()) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(elementary_detail::exp_by_instruction(x[l])), bits) << x[l];
                ASSERT_EQ(std::bit_cast<std::uint64_t>(std::exp(x[l])), bits) << x[l];
            }
            if (fused) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(y[l]), bits) << x[l];
            }
            hash = hash * 1000003U ^ bits;
        }
    }
    EXPECT_EQ(hash, 18261479766347302897ULL);
}

// The logs' bits, pinned.
TEST(Elementary, LogBitsPinned) {
    Xorshift g;
    std::uint64_t hash = 0;
    for (int n = 0; n < 200000; ++n) {
        // The draws in this order, whichever order a compiler gives arguments.
        const int scale = static_cast<int>(80 * g.next()) - 40;
        const double z = std::ldexp(g.next(), scale);
        hash = hash * 1000003U ^ std::bit_cast<std::uint64_t>(portable_log(z));
        hash = hash * 1000003U ^ std::bit_cast<std::uint64_t>(portable_log2(z));
        hash = hash * 1000003U ^ std::bit_cast<std::uint64_t>(portable_log10(z));
    }
    EXPECT_EQ(hash, 541915792930754601ULL);
}
