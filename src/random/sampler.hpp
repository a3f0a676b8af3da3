#pragma once
// The multinomial sampler and its own uniform stream, separate from the
// 32 virtual generators.
#include <cstdint>

namespace coswitch {

struct SamplerStream {
    std::int32_t t1 = 2147483562;
    std::int32_t t2 = 2147483398;
};

// Next uniform of the stream: z * 2^-31, exact in double.
double sampler_uniform(SamplerStream& s);

// Advance the stream by k draws at once; lands exactly where k single draws land.
void sampler_jump(SamplerStream& s, std::uint64_t k);

// One trial over k categories with probabilities p: ix gets a single 1 at the
// drawn category, or stays all 0 when the uniform lies above every cumulative
// probability (or they are not numbers). n is not read: one trial always.
void mtn(int n, const float* p, std::int32_t* ix, int k, SamplerStream& s);

}  // namespace coswitch
