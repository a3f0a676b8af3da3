#pragma once
#include <vector>

namespace coswitch {
// Pearson correlation of x[0..n-1] and y[0..n-1]; three passes, unguarded:
// a constant series or n < 2 gives not-a-number.
double corr(int n, const double* x, const double* y);

// The same over the i where neither x[i] nor y[i] is missing (NaN), in
// their order: exactly corr's value when none is. Fewer than 3 such i give
// not-a-number. a and b are the caller's scratch.
double corr_complete(int n, const double* x, const double* y, std::vector<double>& a,
                     std::vector<double>& b);
}  // namespace coswitch
