#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dependence/chivecfun.hpp"

namespace {
std::string fixture(const char* name) {
    return std::string(COSWITCH_SOURCE_DIR) + "/tests/fixtures/cycling-fit/" + name;
}
std::string g17(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17E", v);
    return buf;
}
}  // namespace

// Weights of a real bootstrap replicate on which the iteration cycles: the
// fit must stop at the pass limit with exactly the stored results.
TEST(CyclingFit, StopsAtPassLimitWithStoredResults) {
    std::ifstream q(fixture("qvec.txt"));
    ASSERT_TRUE(q) << "missing fixture";
    int nrep = 0, ntime = 0;
    q >> nrep >> ntime;
    std::vector<double> qvec(static_cast<std::size_t>(nrep * ntime * 4));
    for (double& v : qvec) q >> v;
    ASSERT_TRUE(q);

    std::ifstream e(fixture("expected.txt"));
    std::string line;
    std::getline(e, line);
    EXPECT_EQ(line, "passes 10000 capped T");
    std::string word;
    e >> word;
    std::string stat_text;
    e >> stat_text;
    e >> word;
    std::vector<std::string> pivec_text(4);
    for (auto& s : pivec_text) e >> s;
    std::vector<std::string> nullmat_text(16);  // row by row
    for (int r = 0; r < 4; ++r) {
        e >> word >> word >> word;
        for (int c = 0; c < 4; ++c) e >> nullmat_text[r * 4 + c];
    }
    ASSERT_TRUE(e);

    // Both instruction-set paths (avx2 where the processor has it).
    for (const auto path : {coswitch::SimdPath::sse2, coswitch::SimdPath::avx2}) {
        if (!coswitch::set_simd_path(path)) continue;
        SCOPED_TRACE(path == coswitch::SimdPath::sse2 ? "sse2" : "avx2");
        double stat = 0.0;
        coswitch::Table4 nullmat;
        coswitch::Vec4 pivec{};
        const auto info = coswitch::chivecfun(nrep, ntime, qvec.data(), stat, nullmat, pivec);
        EXPECT_EQ(info.passes, 10000);
        EXPECT_TRUE(info.capped);
        // 17 significant digits identify a double exactly.
        EXPECT_EQ(std::stod(stat_text), stat) << g17(stat);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(std::stod(pivec_text[k]), pivec[k]) << k;
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= 4; ++c)
                EXPECT_EQ(std::stod(nullmat_text[(r - 1) * 4 + (c - 1)]), nullmat(r, c))
                    << r << c;
    }
    coswitch::set_simd_path(coswitch::SimdPath::automatic);
}
