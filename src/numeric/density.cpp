#include "numeric/density.hpp"

#include "numeric/elementary.hpp"

namespace coswitch {
double dnorm(double x, double mean, double sd) {
    const double d = x - mean;
    const double q = (d * d) / ((2.0 * sd) * sd);
    return portable_exp(-q) / (sd * 2.5066282143923915);
}
}  // namespace coswitch
