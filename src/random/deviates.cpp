#include "random/deviates.hpp"
#include "random/snorm_core.hpp"

#include <immintrin.h>

#include <bit>
#include <cstdint>

#include "numeric/simd_path.hpp"
#include "random/seed_lanes.hpp"

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
    std::uint64_t s1, s2;  // seeds of the last draw used
    bool antithetic;
    // With AVX2 each position also gets the deviate a draw starting there
    // gives when its first test accepts it, which most do: those need none
    // of the method's branches.
    bool ahead = false;
    int filled = 0;  // draws made in this block
    int want = kBlock;  // draws to make in the next block (a multiple of kChains)
    alignas(32) float u[kBlock];
    alignas(32) float fast[kBlock];
    alignas(32) std::int32_t accepted[kBlock];  // all ones where fast holds the deviate
    alignas(32) std::uint64_t seed1[kBlock], seed2[kBlock];

    // The chains start at the kChains draws after the last one used.
    void start_chains(std::uint64_t* c1, std::uint64_t* c2) const {
        std::uint64_t x1 = s1, x2 = s2;
        for (int j = 0; j < kChains; ++j) {
            x1 = kA1 * x1 % kM1;
            x2 = kA2 * x2 % kM2;
            c1[j] = x1;
            c2[j] = x2;
        }
    }
    void refill() {
        filled = want;
        if (ahead) {
            refill_ahead();
            return;
        }
        std::uint64_t c1[kChains], c2[kChains];
        start_chains(c1, c2);
        for (int k = 0; k < filled; k += kChains)
            for (int j = 0; j < kChains; ++j) {
                seed1[k + j] = c1[j];
                seed2[k + j] = c2[j];
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
    __attribute__((target("avx2"))) void refill_ahead();
    __attribute__((noinline)) void next_block() {
        s1 = seed1[filled - 1];
        s2 = seed2[filled - 1];
        refill();
    }
};

__attribute__((target("avx2"))) void BlockUniforms::refill_ahead() {
    alignas(32) std::uint64_t c1[kChains], c2[kChains];
    start_chains(c1, c2);
    __m256i a1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c1));
    __m256i b1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c1 + 4));
    __m256i a2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c2));
    __m256i b2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c2 + 4));
    const __m256i step1 = _mm256_set1_epi64x(static_cast<long long>(kStep1));
    const __m256i step2 = _mm256_set1_epi64x(static_cast<long long>(kStep2));
    const __m256i delta1 = _mm256_set1_epi64x(static_cast<long long>((1ULL << 31) - kM1));
    const __m256i delta2 = _mm256_set1_epi64x(static_cast<long long>((1ULL << 31) - kM2));
    const __m256i m1 = _mm256_set1_epi64x(static_cast<long long>(kM1));
    const __m256i m2 = _mm256_set1_epi64x(static_cast<long long>(kM2));
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i wrap = _mm256_set1_epi32(static_cast<std::int32_t>(kM1 - 1));
    const __m256i flip_from = _mm256_set1_epi32(antithetic ? static_cast<std::int32_t>(kM1) : 0);
    const __m256i flip = _mm256_set1_epi32(antithetic ? -1 : 0);
    const __m256 scale = _mm256_set1_ps(kScale);
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 one_f = _mm256_set1_ps(1.0f);
    const __m256 thirty_two = _mm256_set1_ps(32.0f);
    const __m256 sign_bit = _mm256_set1_ps(-0.0f);
    const __m256i last = _mm256_set1_epi32(31);
    for (int k = 0; k < filled; k += kChains) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(seed1 + k), a1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(seed1 + k + 4), b1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(seed2 + k), a2);
        _mm256_store_si256(reinterpret_cast<__m256i*>(seed2 + k + 4), b2);
        // The uniform, as ranf makes it (antithetic: m1 - z, as (z ^ -1) + 1 + m1).
        __m256i z = _mm256_sub_epi32(low_halves(a1, b1), low_halves(a2, b2));
        z = _mm256_add_epi32(z, _mm256_and_si256(_mm256_cmpgt_epi32(one, z), wrap));
        z = _mm256_add_epi32(_mm256_sub_epi32(_mm256_xor_si256(z, flip), flip), flip_from);
        const __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(z), scale);
        _mm256_store_ps(u + k, v);
        // A deviate starting here, as snorm_from makes it when its first test accepts.
        const __m256 negative = _mm256_cmp_ps(v, half, _CMP_GT_OQ);
        const __m256 w = _mm256_mul_ps(thirty_two, _mm256_sub_ps(_mm256_add_ps(v, v),
                                                                 _mm256_and_ps(negative, one_f)));
        const __m256i i = _mm256_min_epi32(_mm256_cvttps_epi32(w), last);
        const __m256 ustar = _mm256_sub_ps(w, _mm256_cvtepi32_ps(i));
        const __m256 t = _mm256_i32gather_ps(T, i, 4);
        const __m256 accept = _mm256_and_ps(
            _mm256_cmp_ps(ustar, t, _CMP_GT_OQ),
            _mm256_castsi256_ps(_mm256_cmpgt_epi32(i, _mm256_setzero_si256())));
        const __m256 tail = _mm256_mul_ps(_mm256_sub_ps(ustar, t), _mm256_i32gather_ps(H, i, 4));
        const __m256 y = _mm256_add_ps(_mm256_i32gather_ps(A, i, 4), tail);
        _mm256_store_ps(fast + k, _mm256_xor_ps(y, _mm256_and_ps(negative, sign_bit)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(accepted + k), _mm256_castps_si256(accept));
        a1 = mulmod4(a1, step1, delta1, m1);
        b1 = mulmod4(b1, step1, delta1, m1);
        a2 = mulmod4(a2, step2, delta2, m2);
        b2 = mulmod4(b2, step2, delta2, m2);
    }
}

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
    // The next deviate, from the block's values ahead when they hold it.
    inline __attribute__((always_inline)) float deviate() {
        if (p == end) [[unlikely]] {
            block->next_block();
            p = block->u;
            end = p + block->filled;
        }
        const std::ptrdiff_t k = p - block->u;
        if (block->accepted[k] != 0) [[likely]] {
            ++p;
            return block->fast[k];
        }
        return snorm_from(*this);
    }
    // Seeds after the last draw used.
    std::uint64_t last1() const { return p == block->u ? block->s1 : block->seed1[p - block->u - 1]; }
    std::uint64_t last2() const { return p == block->u ? block->s2 : block->seed2[p - block->u - 1]; }
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
    u.ahead = simd_path() == SimdPath::avx2;
    u.refill();
    BlockCursor c{&u, u.u, u.u + u.filled};
    if (u.ahead)
        for (; done < n; ++done) out[done] = c.deviate();
    else
        for (; done < n; ++done) out[done] = snorm_from(c);
    G.CURSEED1[cur] = static_cast<std::int32_t>(c.last1());
    G.CURSEED2[cur] = static_cast<std::int32_t>(c.last2());
}

}  // namespace coswitch
