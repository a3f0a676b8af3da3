#include "numeric/density.hpp"

#include <cmath>

namespace coswitch {
double dnorm(double x, double mean, double sd) {
    const double d = x - mean;
    const double q = (d * d) / ((2.0 * sd) * sd);
    return std::exp(-q) / (sd * 2.5066282143923915);
}
}  // namespace coswitch
