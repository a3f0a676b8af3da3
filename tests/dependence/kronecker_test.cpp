#include <gtest/gtest.h>

#include <limits>

#include "dependence/kronecker.hpp"

using coswitch::Table2;
using coswitch::Table4;

namespace {
Table2 table2(double a11, double a12, double a21, double a22) {
    Table2 t;
    t(1, 1) = a11;
    t(1, 2) = a12;
    t(2, 1) = a21;
    t(2, 2) = a22;
    return t;
}
}  // namespace

TEST(Kronecker, IdentitiesSumAndJointStateOrder) {
    const Table2 id = table2(1, 0, 0, 1);
    const Table2 a = table2(2, 3, 5, 7);
    const Table2 b = table2(11, 13, 17, 19);
    Table4 p;

    // The output is written in full, whatever it held.
    p.v.fill(std::numeric_limits<double>::quiet_NaN());
    coswitch::kronecker(id, b, p);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            const bool same_block = (r - 1) / 2 == (c - 1) / 2;
            EXPECT_EQ(p(r, c), same_block ? b((r - 1) % 2 + 1, (c - 1) % 2 + 1) : 0.0)
                << r << "," << c;
        }

    p.v.fill(-1.0);
    coswitch::kronecker(a, id, p);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            const bool same_parity = (r - 1) % 2 == (c - 1) % 2;
            EXPECT_EQ(p(r, c), same_parity ? a((r + 1) / 2, (c + 1) / 2) : 0.0)
                << r << "," << c;
        }

    coswitch::kronecker(a, b, p);
    double total = 0.0;
    for (double v : p.v) total += v;
    EXPECT_EQ(total, (2.0 + 3 + 5 + 7) * (11.0 + 13 + 17 + 19));
    // First gene 0 -> 1 together with second gene 1 -> 0.
    EXPECT_EQ(p(2, 3), a(1, 2) * b(2, 1));
    EXPECT_EQ(p(3, 2), a(2, 1) * b(1, 2));
    EXPECT_EQ(p(1, 4), a(1, 2) * b(1, 2));
    EXPECT_EQ(p(4, 1), a(2, 1) * b(2, 1));
}
