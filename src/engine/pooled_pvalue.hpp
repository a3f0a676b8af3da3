#pragma once
#include <cstdint>
#include <limits>

namespace coswitch {

// (count + 1) / (M + 1): the observed value counted among its own null
// values, so that a p-value is never 0 and is valid at any M; not-a-number
// when there is no pooled null value.
inline double pooled_pvalue(std::int64_t count, std::int64_t M) {
    if (M <= 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(count + 1) / static_cast<double>(M + 1);
}

}  // namespace coswitch
