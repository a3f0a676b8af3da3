#pragma once
// Pooled p-values: each pair's observed value against the null values of
// every pair and replicate.
#include <cstdint>
#include <vector>

#include "numeric/array.hpp"

namespace coswitch {

// Sorted pooled null values for counting "not below the observed value".
class PooledNull {
public:
    explicit PooledNull(std::vector<double> values);
    // Null values that the observed value does not exceed: ties and
    // not-a-number values (on either side) count.
    std::int64_t count_not_exceeded(double observed) const;

private:
    std::vector<double> sorted_;  // numbers only, ascending
    std::int64_t nan_count_ = 0;
};

// The rule as stated, value by value: the reference for the fast count.
std::int64_t count_not_exceeded_direct(double observed, const std::vector<double>& nulls);

// Fills NEWPVAL(i,j) and CORPVAL(i,j) for i < j. Without bootstrap
// replicates the pooled set is empty and both are not-a-number.
void pvalues(int ngene, int nboot, const Array<double, 2>& RES, const Array<double, 2>& CORRES,
             const Array<double, 3>& NULLSTAT, const Array<double, 3>& NULLCORR,
             Array<float, 2>& NEWPVAL, Array<float, 2>& CORPVAL);

}  // namespace coswitch
