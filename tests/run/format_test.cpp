#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

#include "run/format.hpp"
#include "run/result_files.hpp"

using namespace coswitch;

TEST(Writers, HeadersAndRecordsAreByteExact) {
    EXPECT_EQ(std::string(kPvalueHeader), "    Gene1    Gene2    observed stat new    newpvalue    "
                                          "observed stat corr    corrpvalue\n");
    EXPECT_EQ(std::string(kOutputHeader), "    Gene1    Gene2         B         nullstat         nullcorr\n");
    EXPECT_EQ(pvalue_record(1, 2, 12.3456789, 0.05f, 0.5, 0.25f),
              "         1         2       12.34567890        0.05000000        0.50000000        0.25000000\n");
    // Single-precision p-values print their float value, not the decimal typed.
    EXPECT_EQ(pvalue_record(59, 60, 0.0, 1.0f / 3.0f, 1.0, 1.0f).substr(38),
              "        0.33333334        1.00000000        1.00000000\n");
    EXPECT_EQ(pvalue_record(1, 2, NAN, NAN, INFINITY, 0.0f),
              "         1         2               NaN               NaN          Infinity        0.00000000\n");
    EXPECT_EQ(output_record(1, 2, 3, 12.3456789, 0.5),
              "         1         2         3           12.3456789000            0.5000000000\n");
}

TEST(Writers, FixedAndIntegerFields) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = INFINITY;
    struct Case {
        double v;
        int w, d;
        const char* want;
    };
    for (const Case& c : {Case{1.0 / 3.0, 14, 8, "    0.33333333"}, {2.0 / 3.0, 14, 8, "    0.66666667"},
                          {-0.5, 14, 8, "   -0.50000000"}, {2.675, 6, 2, "  2.67"},  // stored just below
                          {9.9999999999, 14, 8, "   10.00000000"}, {0.0, 20, 10, "        0.0000000000"},
                          {99999.99999999, 14, 8, "99999.99999999"}, {-9999.99999999, 14, 8, "-9999.99999999"},
                          {100000.0, 14, 8, "**************"}, {99999.999999999, 14, 8, "**************"},
                          {-10000.0, 14, 8, "**************"}, {1e9, 20, 10, "********************"},
                          {nan, 14, 8, "           NaN"}, {-nan, 14, 8, "           NaN"},
                          {std::copysign(nan, -1.0), 20, 10, "                 NaN"},
                          {inf, 14, 8, "      Infinity"}, {-inf, 20, 10, "           -Infinity"}})
        EXPECT_EQ(format_f(c.v, c.w, c.d), c.want) << c.v;
    for (const auto& [v, want] : {std::pair{1, "     1"}, {-12, "   -12"}, {999999, "999999"},
                                  {-99999, "-99999"}, {1000000, "******"}, {-100000, "******"}})
        EXPECT_EQ(format_i(v, 6), want) << v;
}

// Fixed fields round the exact binary value as printf's %.*f does: random
// magnitudes, exact ties (dyadic values one decimal past the field), values
// that round to a signed zero, subnormals and the edges of the width.
TEST(Writers, FixedFieldsAsPrintfRoundsThem) {
    const auto printf_field = [](double v, int w, int d) {
        char buf[512];
        const int n = std::snprintf(buf, sizeof buf, "%.*f", d, v);
        return n > w ? std::string(static_cast<std::size_t>(w), '*')
                     : std::string(static_cast<std::size_t>(w - n), ' ') + buf;
    };
    std::uint64_t x = 88172645463325252ULL;
    const auto next = [&x] {  // xorshift64
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    int compared = 0;
    for (int k = 0; k < 300000; ++k) {
        const double mantissa = static_cast<double>(next() >> 11) * 0x1p-53;
        const int exponent = static_cast<int>(next() % 80) - 60;
        double v = std::ldexp(mantissa, exponent) * (k % 2 ? -1.0 : 1.0);
        if (k % 5 == 0) v = std::ldexp(static_cast<double>(k), -(9 + k % 30));  // ties and near ties
        if (k % 97 == 0) v = std::ldexp(static_cast<double>(k % 1000 + 1), -1074 + k % 60);
        for (const auto& [w, d] : {std::pair{20, 10}, std::pair{14, 8}}) {
            ASSERT_EQ(format_f(v, w, d), printf_field(v, w, d)) << std::hexfloat << v;
            ++compared;
        }
    }
    for (const double v : {-0.0, -1e-12, 1e-11, 5e-11, 0.00048828125, -0.00048828125, 1e300, -1e300,
                           9999999999.99999, 999999999.99999994, 0x1.fffffffffffffp1023})
        for (const auto& [w, d] : {std::pair{20, 10}, std::pair{14, 8}, std::pair{6, 2}})
            EXPECT_EQ(format_f(v, w, d), printf_field(v, w, d)) << std::hexfloat << v;
    EXPECT_EQ(compared, 600000);
}
