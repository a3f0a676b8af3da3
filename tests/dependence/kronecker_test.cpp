#include <gtest/gtest.h>

#include <limits>

#include "dependence/kronecker.hpp"

using coswitch::Table2;
using coswitch::Table4;

TEST(Kronecker, IdentitiesSumAndJointStateOrder) {
    const Table2 id{{1, 0, 0, 1}}, a{{2, 5, 3, 7}}, b{{11, 17, 13, 19}};  // column by column
    Table4 p;
    p.v.fill(std::numeric_limits<double>::quiet_NaN());  // whatever it held is overwritten
    coswitch::kronecker(id, b, p);
    Table4 q;
    coswitch::kronecker(a, id, q);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            // I x B is block diagonal; A x I puts A on the entries of equal parity.
            const bool block = (r - 1) / 2 == (c - 1) / 2, parity = (r - c) % 2 == 0;
            EXPECT_EQ(p(r, c), block ? b((r - 1) % 2 + 1, (c - 1) % 2 + 1) : 0.0) << r << c;
            EXPECT_EQ(q(r, c), parity ? a((r + 1) / 2, (c + 1) / 2) : 0.0) << r << c;
        }
    coswitch::kronecker(a, b, p);
    double total = 0.0;
    for (double v : p.v) total += v;
    EXPECT_EQ(total, (2.0 + 3 + 5 + 7) * (11.0 + 13 + 17 + 19));
    // First gene 0 -> 1 with second gene 1 -> 0; both 0 -> 1.
    EXPECT_EQ(p(2, 3), a(1, 2) * b(2, 1));
    EXPECT_EQ(p(1, 4), a(1, 2) * b(1, 2));
}
