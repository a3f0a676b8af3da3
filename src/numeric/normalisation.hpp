#pragma once

namespace coswitch {
// y(i) = x(i) / sum(x); y must not alias x.
void normalvec(int n, const double* x, double* y);
// Each row of the nrow x ncol table x (first index fastest) scaled to unit sum into y.
void normalization(int nrow, int ncol, const double* x, double* y);
}  // namespace coswitch
