#include "random/deviates.hpp"

#include <bit>
#include <cstdint>

namespace coswitch {
namespace {
// Index 0 is a placeholder so the tables read 1-based like their definition.
constexpr float A[33] = {
    0.0f,       0.0f,       0.03917609f, 0.07841241f, 0.1177699f, 0.1573107f, 0.1970991f,
    0.2372021f, 0.2776904f, 0.3186394f,  0.3601299f,  0.4022501f, 0.4450965f, 0.4887764f,
    0.5334097f, 0.5791322f, 0.626099f,   0.6744898f,  0.7245144f, 0.7764218f, 0.8305109f,
    0.8871466f, 0.9467818f, 1.00999f,    1.077516f,   1.150349f,  1.229859f,  1.318011f,
    1.417797f,  1.534121f,  1.67594f,    1.862732f,   2.153875f};
constexpr float D[32] = {
    0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.2636843f,
    0.2425085f, 0.2255674f, 0.2116342f, 0.1999243f, 0.1899108f, 0.1812252f, 0.1736014f,
    0.1668419f, 0.1607967f, 0.1553497f, 0.1504094f, 0.1459026f, 0.14177f,   0.1379632f,
    0.1344418f, 0.1311722f, 0.128126f,  0.1252791f, 0.1226109f, 0.1201036f, 0.1177417f,
    0.1155119f, 0.1134023f, 0.1114027f, 0.1095039f};
constexpr float T[32] = {
    0.0f,         0.0007673828f, 0.00230687f, 0.003860618f, 0.005438454f, 0.007050699f,
    0.008708396f, 0.01042357f,   0.01220953f, 0.01408125f,  0.01605579f,  0.0181529f,
    0.02039573f,  0.02281177f,   0.02543407f, 0.02830296f,  0.03146822f,  0.03499233f,
    0.03895483f,  0.04345878f,   0.04864035f, 0.05468334f,  0.06184222f,  0.07047983f,
    0.08113195f,  0.09462444f,   0.1123001f,  0.136498f,    0.1716886f,   0.2276241f,
    0.330498f,    0.5847031f};
constexpr float H[32] = {
    0.0f,        0.03920617f, 0.03932705f, 0.03950999f, 0.03975703f, 0.04007093f,
    0.04045533f, 0.04091481f, 0.04145507f, 0.04208311f, 0.04280748f, 0.04363863f,
    0.04458932f, 0.04567523f, 0.04691571f, 0.04833487f, 0.04996298f, 0.05183859f,
    0.05401138f, 0.05654656f, 0.0595313f,  0.06308489f, 0.06737503f, 0.07264544f,
    0.07926471f, 0.08781922f, 0.09930398f, 0.1155599f,  0.1404344f,  0.1836142f,
    0.2790016f,  0.7010474f};
constexpr float kScale = 4.656612873E-10f;  // 2^-31
}  // namespace

float ranf(GeneratorState& g) { return static_cast<float>(ignlgi(g)) * kScale; }

float snorm(GeneratorState& g) {
    float u = ranf(g);
    float s = 0.0f;
    if (u > 0.5f) s = 1.0f;
    u = u + u - s;
    u = 32.0f * u;
    int i = static_cast<int>(u);
    if (i == 32) i = 31;
    float ustar;
    float aa;
    float w;
    float tt;
    if (i != 0) {
        // Centre.
        ustar = u - static_cast<float>(i);
        aa = A[i];
        for (;;) {
            if (ustar > T[i]) {
                w = (ustar - T[i]) * H[i];
                break;
            }
            u = ranf(g);
            w = u * (A[i + 1] - aa);
            tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = ranf(g);
                if (ustar < u) {
                    ustar = ranf(g);
                    break;  // back to the threshold test
                }
                tt = u;
                ustar = ranf(g);
            }
            if (accepted) break;
        }
    } else {
        // Tail.
        i = 6;
        aa = 2.153875f;
        u = u + u;
        while (u < 1.0f) {
            aa = aa + D[i];
            i = i + 1;
            u = u + u;
        }
        u = u - 1.0f;
        for (;;) {
            w = u * D[i];
            tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                ustar = ranf(g);
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = ranf(g);
                if (ustar >= u) {
                    tt = u;
                    continue;
                }
                u = ranf(g);
                break;  // back to step 13
            }
            if (accepted) break;
        }
    }
    const float y = aa + w;
    return s == 1.0f ? -y : y;
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
// (mod m) is two interleaved sequences with multiplier a^2, which run side
// by side instead of one after the other. a*s mod m is exact in 64 bits, as
// Schrage's steps are in 32, for every seed in 1..m-1. Each draw's seeds are
// kept, so the generator stops exactly after the last draw used.
constexpr std::uint64_t kM1 = 2147483563, kM2 = 2147483399, kA1 = 40014, kA2 = 40692;
constexpr std::uint64_t kA1Sq = kA1 * kA1 % kM1, kA2Sq = kA2 * kA2 % kM2;

struct BlockUniforms {
    static constexpr int kBlock = 128;
    std::uint32_t s1, s2;  // seeds of the last draw used
    bool antithetic;
    int filled = 0;  // draws made in this block
    int want = kBlock;  // draws to make in the next block
    float u[kBlock];
    std::uint32_t seed1[kBlock], seed2[kBlock];

    void refill() {
        // Seeds after the last draw of the previous block, which is the last used.
        std::uint64_t e1 = kA1 * s1 % kM1, o1 = kA1Sq * s1 % kM1;
        std::uint64_t e2 = kA2 * s2 % kM2, o2 = kA2Sq * s2 % kM2;
        filled = want;
        for (int k = 0; k < filled; k += 2) {
            seed1[k] = static_cast<std::uint32_t>(e1);
            seed1[k + 1] = static_cast<std::uint32_t>(o1);
            seed2[k] = static_cast<std::uint32_t>(e2);
            seed2[k + 1] = static_cast<std::uint32_t>(o2);
            e1 = kA1Sq * e1 % kM1;
            o1 = kA1Sq * o1 % kM1;
            e2 = kA2Sq * e2 % kM2;
            o2 = kA2Sq * o2 % kM2;
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

template <class Source>
inline __attribute__((always_inline)) float snorm_from(Source& g) {
    float u = g.next();
    const bool negative = u > 0.5f;
    // 1.0f or 0.0f without a branch: half the signs would be mispredicted.
    const float s = std::bit_cast<float>(static_cast<std::uint32_t>(negative) * 0x3f800000U);
    u = u + u - s;
    u = 32.0f * u;
    int i = static_cast<int>(u);
    if (i == 32) i = 31;
    float aa;
    float w;
    if (i != 0) [[likely]] {
        float ustar = u - static_cast<float>(i);
        aa = A[i];
        for (;;) {
            if (ustar > T[i]) [[likely]] {
                w = (ustar - T[i]) * H[i];
                break;
            }
            u = g.next();
            w = u * (A[i + 1] - aa);
            float tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = g.next();
                if (ustar < u) {
                    ustar = g.next();
                    break;
                }
                tt = u;
                ustar = g.next();
            }
            if (accepted) break;
        }
    } else {
        i = 6;
        aa = 2.153875f;
        u = u + u;
        while (u < 1.0f) {
            aa = aa + D[i];
            i = i + 1;
            u = u + u;
        }
        u = u - 1.0f;
        for (;;) {
            w = u * D[i];
            float tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                const float ustar = g.next();
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = g.next();
                if (ustar >= u) {
                    tt = u;
                    continue;
                }
                u = g.next();
                break;
            }
            if (accepted) break;
        }
    }
    // Negation only flips the sign bit: the same value as the branch.
    const std::uint32_t bits =
        std::bit_cast<std::uint32_t>(aa + w) ^ (static_cast<std::uint32_t>(negative) << 31);
    return std::bit_cast<float>(bits);
}
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
    u.want = guess < BlockUniforms::kBlock ? static_cast<int>(guess + 1) / 2 * 2
                                           : BlockUniforms::kBlock;
    u.refill();
    u.want = BlockUniforms::kBlock / 4;
    BlockCursor c{&u, u.u, u.u + u.filled};
    for (; done < n; ++done) out[done] = snorm_from(c);
    G.CURSEED1[cur] = static_cast<std::int32_t>(c.last1());
    G.CURSEED2[cur] = static_cast<std::int32_t>(c.last2());
}

}  // namespace coswitch
