#include "random/deviates.hpp"
#include "random/snorm_core.hpp"

#include <bit>
#include <cstdint>

namespace coswitch {
using namespace snorm_detail;

float ranf(GeneratorState& g) { return static_cast<float>(ignlgi(g)) * kScale; }

namespace {
// The plain path: every uniform through ranf, with all of ignlgi's checks.
struct Plain {
    GeneratorState& g;
    float next() { return ranf(g); }
};
}  // namespace

float snorm(GeneratorState& g) {
    Plain source{g};
    return snorm_from(source);
}

}  // namespace coswitch

namespace coswitch {
namespace {
// The current generator's common path: the checks of ignlgi are made once
// per batch, and the seeds live in registers until the batch ends.
struct Uniforms {
    std::int32_t s1, s2, m1, m2, a1, a2;
    bool antithetic;
    inline __attribute__((always_inline)) float next() {
        std::int32_t k = s1 / 53668;
        s1 = a1 * (s1 - k * 53668) - k * 12211;
        if (s1 < 0) s1 = s1 + m1;
        k = s2 / 52774;
        s2 = a2 * (s2 - k * 52774) - k * 3791;
        if (s2 < 0) s2 = s2 + m2;
        std::int32_t z = s1 - s2;
        if (z < 1) z = z + (m1 - 1);
        if (antithetic) z = m1 - z;
        return static_cast<float>(z) * kScale;
    }
};

// The same draws made ahead in blocks: a seed sequence s, a*s, a^2*s, ...
// (mod m) is kChains interleaved sequences with multiplier a^kChains, which
// run side by side instead of one after the other: a draw's latency is many
// times its throughput. a*s mod m is exact in 64 bits, as Schrage's steps are
// in 32, for every seed in 1..m-1. Each draw's seeds are kept, so the
// generator stops exactly after the last draw used.
constexpr std::uint64_t kM1 = 2147483563, kM2 = 2147483399, kA1 = 40014, kA2 = 40692;
constexpr int kChains = 8;

constexpr std::uint64_t power_mod(std::uint64_t a, int e, std::uint64_t m) {
    std::uint64_t r = 1;
    for (int k = 0; k < e; ++k) r = r * a % m;
    return r;
}
constexpr std::uint64_t kStep1 = power_mod(kA1, kChains, kM1);
constexpr std::uint64_t kStep2 = power_mod(kA2, kChains, kM2);

struct BlockUniforms {
    static constexpr int kBlock = 256;
    std::uint32_t s1, s2;  // seeds of the last draw used
    bool antithetic;
    int filled = 0;  // draws made in this block
    int want = kBlock;  // draws to make in the next block (a multiple of kChains)
    float u[kBlock];
    std::uint32_t seed1[kBlock], seed2[kBlock];

    void refill() {
        // The chains start at the kChains draws after the last one used.
        std::uint64_t c1[kChains], c2[kChains];
        std::uint64_t x1 = s1, x2 = s2;
        for (int j = 0; j < kChains; ++j) {
            x1 = kA1 * x1 % kM1;
            x2 = kA2 * x2 % kM2;
            c1[j] = x1;
            c2[j] = x2;
        }
        filled = want;
        for (int k = 0; k < filled; k += kChains)
            for (int j = 0; j < kChains; ++j) {
                seed1[k + j] = static_cast<std::uint32_t>(c1[j]);
                seed2[k + j] = static_cast<std::uint32_t>(c2[j]);
                c1[j] = kStep1 * c1[j] % kM1;
                c2[j] = kStep2 * c2[j] % kM2;
            }
        for (int k = 0; k < filled; ++k) {
            std::int32_t z = static_cast<std::int32_t>(seed1[k]) - static_cast<std::int32_t>(seed2[k]);
            if (z < 1) z = z + static_cast<std::int32_t>(kM1 - 1);
            if (antithetic) z = static_cast<std::int32_t>(kM1) - z;
            u[k] = static_cast<float>(z) * kScale;
        }
    }
    __attribute__((noinline)) void next_block() {
        s1 = seed1[filled - 1];
        s2 = seed2[filled - 1];
        refill();
    }
};

// The reading position in a block, kept apart so that it lives in registers.
struct BlockCursor {
    BlockUniforms* block;
    const float* p;
    const float* end;
    inline __attribute__((always_inline)) float next() {
        if (p == end) [[unlikely]] {
            block->next_block();
            p = block->u;
            end = p + block->filled;
        }
        return *p++;
    }
    // Seeds after the last draw used.
    std::uint32_t last1() const { return p == block->u ? block->s1 : block->seed1[p - block->u - 1]; }
    std::uint32_t last2() const { return p == block->u ? block->s2 : block->seed2[p - block->u - 1]; }
};

}  // namespace

void snorm_fill(GeneratorState& g, float* out, std::size_t n) {
    if (n == 0) return;
    // The first draw of a run seeds the generators; the plain path does it.
    std::size_t done = 0;
    if (!g.QINIT || !g.QQSSD) out[done++] = snorm(g);
    Globe& G = g.GLOBE;
    const std::int32_t cur = g.CURNTG;
    const std::int32_t s1 = G.CURSEED1[cur], s2 = G.CURSEED2[cur];
    const bool standard = G.MODULUS1 == static_cast<std::int32_t>(kM1) &&
                          G.MODULUS2 == static_cast<std::int32_t>(kM2) &&
                          G.MULT1 == static_cast<std::int32_t>(kA1) &&
                          G.MULT2 == static_cast<std::int32_t>(kA2) && s1 >= 1 &&
                          s1 < static_cast<std::int32_t>(kM1) && s2 >= 1 &&
                          s2 < static_cast<std::int32_t>(kM2);
    if (!standard) {
        Uniforms u{s1, s2, G.MODULUS1, G.MODULUS2, G.MULT1, G.MULT2, G.ANTITHETIC[cur] != 0};
        for (; done < n; ++done) out[done] = snorm_from(u);
        G.CURSEED1[cur] = u.s1;
        G.CURSEED2[cur] = u.s2;
        return;
    }
    BlockUniforms u;
    u.s1 = static_cast<std::uint32_t>(s1);
    u.s2 = static_cast<std::uint32_t>(s2);
    u.antithetic = G.ANTITHETIC[cur] != 0;
    // About 1.23 draws per deviate: size the first block to the batch, so
    // that few draws are made in vain.
    const std::size_t guess = (n - done) + (n - done) / 4 + 8;
    u.want = guess < BlockUniforms::kBlock
                 ? static_cast<int>(guess + kChains - 1) / kChains * kChains
                 : BlockUniforms::kBlock;
    u.refill();
    BlockCursor c{&u, u.u, u.u + u.filled};
    for (; done < n; ++done) out[done] = snorm_from(c);
    G.CURSEED1[cur] = static_cast<std::int32_t>(c.last1());
    G.CURSEED2[cur] = static_cast<std::int32_t>(c.last2());
}

}  // namespace coswitch
