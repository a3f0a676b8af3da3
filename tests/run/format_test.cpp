#include <gtest/gtest.h>

#include <cmath>
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
