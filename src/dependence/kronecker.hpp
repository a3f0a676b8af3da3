#pragma once
#include "numeric/array.hpp"

namespace coswitch {
// prod(2(i-1)+l, 2(k-1)+j) = a(i,k) * b(l,j): the first factor's index is the
// slow one, which is what makes joint state 2*sA + sB + 1.
void kronecker(const Table2& a, const Table2& b, Table4& prod);
}  // namespace coswitch
