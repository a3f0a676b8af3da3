#include "io/number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "report/pair_results.hpp"

using namespace coswitch;

TEST(NumberText, PValueTextIsEqualExactlyWhenCountsAre) {
    auto shortest = [](double v) {
        std::string s;
        append_shortest(s, v);
        return s;
    };
    // Neighbouring counts are the closest quotients: runs of them at the
    // bottom, middle and top of pooled sets up to 2^52.
    for (const std::int64_t M : {std::int64_t{3}, std::int64_t{714000}, std::int64_t{99999999977},
                                 std::int64_t{4503599627370495}}) {
        std::set<std::int64_t> counts;
        for (const std::int64_t start : {std::int64_t{0}, M / 3, M - 2000})
            for (std::int64_t c = std::max<std::int64_t>(start, 0); c <= std::min(M, start + 2000); ++c)
                counts.insert(c);
        std::set<std::string> texts;
        for (const std::int64_t c : counts) {
            const std::string t = shortest(pooled_pvalue(c, M));
            ASSERT_EQ(std::strtod(t.c_str(), nullptr), double(c + 1) / double(M + 1)) << t;
            texts.insert(t);
        }
        EXPECT_EQ(texts.size(), counts.size()) << M;
    }
    EXPECT_EQ(shortest(pooled_pvalue(0, 1500)) + " " + shortest(pooled_pvalue(1500, 1500)) + " " +
                  shortest(pooled_pvalue(1, 1500)) + " " + shortest(1e-8) + " " +
                  shortest(pooled_pvalue(5, 0)) + " " + shortest(INFINITY),
              "0.0006662225183211193 1 0.0013324450366422385 1e-08 NaN Inf");

    std::string f;
    for (double v : {42.0, 0.123456785, double(NAN), -double(INFINITY), 1e20}) {
        append_fixed(f, v, 8);
        f += ' ';
    }  // 0.123456785 is just below the tie
    EXPECT_EQ(f, "42.00000000 0.12345678 NaN -Inf 100000000000000000000.00000000 ");
}

// Fixed and significant digits are those of C's %.*f and %.*g, ties and extremes included,
// with words for the values that have no digits.
TEST(NumberText, FixedAndSignificantDigitsAsCFormatsGiveThem) {
    char c[512];
    for (const double v : {0.125, 2.675, -2.5, 1e-5, 0.05, 123456789.0, -0.0, 5e-324, 1e22,
                           1.7976931348623157e308, 999999.5, 9.9999999995, 0.00123449999}) {
        for (const int d : {3, 4, 6, 9, 10}) {
            std::snprintf(c, sizeof c, "%.*g", d, v);
            EXPECT_EQ(significant(v, d), c) << v << " %." << d << "g";
        }
        for (const int d : {0, 1, 2, 4, 8}) {
            std::snprintf(c, sizeof c, "%.*f", d, v);
            EXPECT_EQ(fixed(v, d), c) << v << " %." << d << "f";
        }
    }
    EXPECT_EQ(fixed(NAN, 2) + " " + significant(-INFINITY, 4) + " " + shortest_text(INFINITY), "NaN -Inf Inf");
}
