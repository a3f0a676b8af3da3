#pragma once
// Uniform and standard normal deviates from the current virtual generator.
#include <cstddef>
#include <cstdint>

#include "random/generator.hpp"

namespace coswitch {
// z * 2^-31 for the next z of the generator: strictly between 0 and 1.
float ranf(GeneratorState& g);
// Standard normal deviate, all in single precision.
float snorm(GeneratorState& g);
// Exactly the values of n successive snorm calls, leaving g exactly where
// they leave it, with the generator's state held in registers meanwhile.
void snorm_fill(GeneratorState& g, float* out, std::size_t n);
// Leaves g exactly where n successive snorm calls leave it, without their
// values: far faster, for a process that starts deep into the stream.
void snorm_skip(GeneratorState& g, std::uint64_t n);
}  // namespace coswitch
