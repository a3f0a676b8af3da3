#pragma once

namespace coswitch {
// Pearson correlation of x[0..n-1] and y[0..n-1]; three passes, unguarded:
// a constant series or n < 2 gives not-a-number.
double corr(int n, const double* x, const double* y);
}  // namespace coswitch
