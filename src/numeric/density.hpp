#pragma once

namespace coswitch {
// Normal density with sd a standard deviation; the constant is sqrt(2 * pi),
// pi taken in single precision, kept so results match stored runs.
double dnorm(double x, double mean, double sd);
}  // namespace coswitch
