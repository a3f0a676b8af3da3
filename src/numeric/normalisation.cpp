#include "numeric/normalisation.hpp"

namespace coswitch {
void normalvec(int n, const double* x, double* y) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += x[i];
    for (int i = 0; i < n; ++i) y[i] = x[i] / s;
}

void normalization(int nrow, int ncol, const double* x, double* y) {
    if (nrow <= 0 || ncol <= 0) return;
    for (int k = 0; k < nrow; ++k) {
        double s = 0.0;
        for (int m = 0; m < ncol; ++m) s += x[k + nrow * m];
        for (int m = 0; m < ncol; ++m) y[k + nrow * m] = x[k + nrow * m] / s;
    }
}
}  // namespace coswitch
