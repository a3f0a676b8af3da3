#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "run/format.hpp"
#include "run/result_files.hpp"

using namespace coswitch;

TEST(Writers, HeadersAreByteExact) {
    EXPECT_EQ(std::string(kPvalueHeader),
              "    Gene1    Gene2    observed stat new    newpvalue    observed stat corr    "
              "corrpvalue\n");
    EXPECT_EQ(std::string(kPvalueHeader).size(), 89u);
    EXPECT_EQ(std::string(kOutputHeader),
              "    Gene1    Gene2         B         nullstat         nullcorr\n");
    EXPECT_EQ(std::string(kOutputHeader).size(), 63u);
}

TEST(Writers, RecordsHaveFixedColumns) {
    const std::string pv = pvalue_record(1, 2, 12.3456789, 0.05f, 0.5, 0.25f);
    EXPECT_EQ(pv,
              "         1         2       12.34567890        0.05000000        0.50000000"
              "        0.25000000\n");
    EXPECT_EQ(pv.size(), 93u);
    // Single-precision p-values print their float value, not the decimal typed.
    EXPECT_EQ(pvalue_record(59, 60, 0.0, 1.0f / 3.0f, 1.0, 1.0f).substr(38),
              "        0.33333334        1.00000000        1.00000000\n");

    const std::string out = output_record(1, 2, 3, 12.3456789, 0.5);
    EXPECT_EQ(out,
              "         1         2         3           12.3456789000            0.5000000000\n");
    EXPECT_EQ(out.size(), 79u);
    EXPECT_EQ(output_record(1, 60, 100, 123456789.0, 0.0).substr(30),
              "    123456789.0000000000            0.0000000000\n");
}

TEST(Writers, FixedPointFields) {
    // Nearest value with exactly d decimals, a 0 before the point below 1.
    EXPECT_EQ(format_f(1.0 / 3.0, 14, 8), "    0.33333333");
    EXPECT_EQ(format_f(2.0 / 3.0, 14, 8), "    0.66666667");
    EXPECT_EQ(format_f(-0.5, 14, 8), "   -0.50000000");
    EXPECT_EQ(format_f(2.675, 6, 2), "  2.67");  // 2.675 is stored just below
    EXPECT_EQ(format_f(9.9999999999, 14, 8), "   10.00000000");
    EXPECT_EQ(format_f(0.0, 20, 10), "        0.0000000000");

    // Exactly full fields fit; one character more is all asterisks, also
    // when rounding carries into a new digit.
    EXPECT_EQ(format_f(99999.99999999, 14, 8), "99999.99999999");
    EXPECT_EQ(format_f(-9999.99999999, 14, 8), "-9999.99999999");
    EXPECT_EQ(format_f(100000.0, 14, 8), "**************");
    EXPECT_EQ(format_f(99999.999999999, 14, 8), "**************");
    EXPECT_EQ(format_f(-10000.0, 14, 8), "**************");
    EXPECT_EQ(format_f(999999999.0, 20, 10), "999999999.0000000000");
    EXPECT_EQ(format_f(1e9, 20, 10), "********************");
    EXPECT_EQ(format_f(1e300, 14, 8), "**************");

    // Not-a-number whatever its sign bit; infinities spelled out.
    const double qnan = std::numeric_limits<double>::quiet_NaN();
    for (double nan : {qnan, -qnan, std::copysign(qnan, -1.0), std::copysign(qnan, 1.0)}) {
        EXPECT_EQ(format_f(nan, 14, 8), "           NaN");
        EXPECT_EQ(format_f(nan, 20, 10), "                 NaN");
    }
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(format_f(inf, 14, 8), "      Infinity");
    EXPECT_EQ(format_f(-inf, 14, 8), "     -Infinity");
    EXPECT_EQ(format_f(-inf, 20, 10), "           -Infinity");
    EXPECT_EQ(pvalue_record(1, 2, qnan, std::numeric_limits<float>::quiet_NaN(), inf, 0.0f),
              "         1         2               NaN               NaN          Infinity"
              "        0.00000000\n");
}

TEST(Writers, IntegerFields) {
    EXPECT_EQ(format_i(1, 6), "     1");
    EXPECT_EQ(format_i(-12, 6), "   -12");
    EXPECT_EQ(format_i(999999, 6), "999999");
    EXPECT_EQ(format_i(-99999, 6), "-99999");
    EXPECT_EQ(format_i(1000000, 6), "******");
    EXPECT_EQ(format_i(-100000, 6), "******");
}
