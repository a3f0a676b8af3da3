#pragma once
// Uniform and standard normal deviates from the current virtual generator.
#include "random/generator.hpp"

namespace coswitch {
// z * 2^-31 for the next z of the generator: strictly between 0 and 1.
float ranf(GeneratorState& g);
// Standard normal deviate (algorithm FL, m = 5), all in single precision.
float snorm(GeneratorState& g);
}  // namespace coswitch
