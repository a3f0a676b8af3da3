#include "dependence/kronecker.hpp"

namespace coswitch {
void kronecker(const Table2& a, const Table2& b, Table4& prod) {
    prod.v.fill(0.0);
    for (int i = 1; i <= 2; ++i)
        for (int k = 1; k <= 2; ++k)
            for (int l = 1; l <= 2; ++l)
                for (int j = 1; j <= 2; ++j)
                    prod(2 * (i - 1) + l, 2 * (k - 1) + j) = a(i, k) * b(l, j);
}
}  // namespace coswitch
