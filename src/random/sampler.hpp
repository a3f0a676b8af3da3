#pragma once
// The multinomial sampler and its own uniform stream, separate from the
// 32 virtual generators.
#include <cstddef>
#include <cstdint>

namespace coswitch {

struct SamplerStream {
    std::int32_t t1 = 2147483562;
    std::int32_t t2 = 2147483398;
};

// Next uniform of the stream: z * 2^-31, exact in double.
double sampler_uniform(SamplerStream& s);

// The next n uniforms of the stream, in order.
void sampler_fill(SamplerStream& s, double* out, std::size_t n);

// Advance the stream by k draws at once; lands exactly where k single draws land.
void sampler_jump(SamplerStream& s, std::uint64_t k);

// One trial over k categories with probabilities p: ix gets a single 1 at the
// drawn category, or stays all 0 when the uniform lies above every cumulative
// probability (or they are not numbers). n is not read: one trial always.
void mtn(int n, const float* p, std::int32_t* ix, int k, SamplerStream& s);

// mtn over 4 categories with its cumulative sums formed once for many draws:
// the same double sums of the same single-precision probabilities.
struct CellBounds {
    double c[4];
};
inline CellBounds cell_bounds(const float* p) {
    CellBounds b;
    b.c[0] = static_cast<double>(p[0]);
    for (int i = 1; i < 4; ++i) b.c[i] = b.c[i - 1] + static_cast<double>(p[i]);
    return b;
}
// The sum of i * ix(i) that mtn with uniform u would mark: the drawn
// category, or 0 when it marks none (more than one only for bounds that
// are not increasing).
// Written without branches: the drawn cell is random, so branches on it
// would be mispredicted.
inline int mtn_marks(const CellBounds& b, double u) {
    const int a0 = u > 0.0, a1 = b.c[0] < u, a2 = b.c[1] < u, a3 = b.c[2] < u;
    const int e0 = u <= b.c[0], e1 = u <= b.c[1], e2 = u <= b.c[2], e3 = u <= b.c[3];
    return (a0 & e0) + 2 * (a1 & e1) + 3 * (a2 & e2) + 4 * (a3 & e3);
}

}  // namespace coswitch
