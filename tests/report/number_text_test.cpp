#include "report/number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "report/pair_results.hpp"

using namespace coswitch;

namespace {
std::string shortest(double v) {
    std::string s;
    append_shortest(s, v);
    return s;
}
std::string fixed8(double v) {
    std::string s = "x";
    append_fixed(s, v, 8);
    return s.substr(1);
}
}  // namespace

TEST(NumberText, PValueTextIsEqualExactlyWhenCountsAre) {
    // Every count of small pooled sets, and runs of neighbouring counts of large
    // ones, where neighbouring quotients are closest.
    for (const std::int64_t M : {std::int64_t{1}, std::int64_t{3}, std::int64_t{1500},
                                 std::int64_t{714000}, std::int64_t{99999999977},
                                 std::int64_t{4503599627370495}}) {
        std::set<std::int64_t> counts;
        for (const std::int64_t start : {std::int64_t{0}, M / 3, M - 2000})
            for (std::int64_t c = std::max<std::int64_t>(start, 0); c <= std::min(M, start + 2000); ++c)
                counts.insert(c);
        std::set<std::string> texts;
        for (const std::int64_t c : counts) {
            const std::string t = shortest(pooled_pvalue(c, M));
            ASSERT_EQ(std::strtod(t.c_str(), nullptr), double(c) / double(M)) << t;
            texts.insert(t);
        }
        EXPECT_EQ(texts.size(), counts.size()) << M;
    }
    EXPECT_EQ(shortest(pooled_pvalue(0, 1500)), "0");
    EXPECT_EQ(shortest(pooled_pvalue(1500, 1500)), "1");
    EXPECT_EQ(shortest(pooled_pvalue(3, 1500)), "0.002");
    EXPECT_EQ(shortest(pooled_pvalue(1, 1500)), "0.0006666666666666666");
    EXPECT_EQ(shortest(pooled_pvalue(1, 100000000)), "1e-08");
    EXPECT_EQ(shortest(pooled_pvalue(5, 0)), "NaN");
    EXPECT_EQ(shortest(INFINITY), "Inf");

    EXPECT_EQ(fixed8(42.0), "42.00000000");
    EXPECT_EQ(fixed8(0.123456785), "0.12345678");  // the double just below the tie
    EXPECT_EQ(fixed8(1e300).size(), 301u + 9u);
    EXPECT_EQ(fixed8(NAN), "NaN");
    EXPECT_EQ(fixed8(-INFINITY), "-Inf");
}
