#include "random/sampler.hpp"

#include <immintrin.h>

#include "numeric/simd_path.hpp"
#include "random/seed_lanes.hpp"

namespace coswitch {
namespace {
constexpr std::int64_t kM1 = 2147483563;
constexpr std::int64_t kM2 = 2147483399;

std::int64_t power_mod(std::int64_t base, std::uint64_t e, std::int64_t m) {
    std::int64_t result = 1;
    base %= m;
    while (e != 0) {
        if (e & 1U) result = (result * base) % m;
        base = (base * base) % m;
        e >>= 1U;
    }
    return result;
}
}  // namespace

double sampler_uniform(SamplerStream& s) {
    std::int32_t k1 = s.t1 / 53668;
    s.t1 = 40014 * (s.t1 - k1 * 53668) - k1 * 12211;
    if (s.t1 < 0) s.t1 = s.t1 + 2147483563;
    std::int32_t k2 = s.t2 / 52774;
    s.t2 = 40692 * (s.t2 - k2 * 52774) - k2 * 3791;
    if (s.t2 < 0) s.t2 = s.t2 + 2147483399;
    std::int32_t z = s.t1 - s.t2;
    if (z <= 0) z = z + 2147483562;
    return static_cast<double>(z) * static_cast<double>(4.656612873E-10f);
}

namespace {
// A draw's two seed steps are a chain of dependent multiplications, whose
// latency sets the pace when draws come one after the other. The sequence
// s, a s, a^2 s, ... (mod m) is also kChains interleaved sequences with the
// multiplier a^kChains, which run side by side: the same seeds, so the same
// uniforms. a s mod m is exact in 64 bits, as Schrage's steps are in 32.
constexpr int kChains = 8;
constexpr std::uint64_t power_of(std::uint64_t a, int e, std::uint64_t m) {
    std::uint64_t r = 1;
    for (int k = 0; k < e; ++k) r = r * a % m;
    return r;
}
constexpr std::uint64_t kU1 = kM1, kU2 = kM2;
constexpr std::uint64_t kStep1 = power_of(40014, kChains, kU1);
constexpr std::uint64_t kStep2 = power_of(40692, kChains, kU2);

inline double uniform_of(std::uint64_t s1, std::uint64_t s2) {
    std::int32_t z = static_cast<std::int32_t>(s1) - static_cast<std::int32_t>(s2);
    if (z <= 0) z = z + 2147483562;
    return static_cast<double>(z) * static_cast<double>(4.656612873E-10f);
}

// The chains four lanes at a time; the same seeds, so the same uniforms.
__attribute__((target("avx2"))) void fill_lanes(SamplerStream& s, double* out, std::size_t n) {
    alignas(32) std::uint64_t c1[kChains], c2[kChains];
    std::uint64_t x1 = static_cast<std::uint64_t>(s.t1), x2 = static_cast<std::uint64_t>(s.t2);
    for (int j = 0; j < kChains; ++j) {
        x1 = 40014 * x1 % kU1;
        x2 = 40692 * x2 % kU2;
        c1[j] = x1;
        c2[j] = x2;
    }
    __m256i a1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c1));
    __m256i b1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c1 + 4));
    __m256i a2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c2));
    __m256i b2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(c2 + 4));
    __m256i last1 = b1, last2 = b2;  // the group before, whose chain 7 drew last
    const __m256i step1 = _mm256_set1_epi64x(static_cast<long long>(kStep1));
    const __m256i step2 = _mm256_set1_epi64x(static_cast<long long>(kStep2));
    const __m256i delta1 = _mm256_set1_epi64x(static_cast<long long>((1ULL << 31) - kU1));
    const __m256i delta2 = _mm256_set1_epi64x(static_cast<long long>((1ULL << 31) - kU2));
    const __m256i m1 = _mm256_set1_epi64x(static_cast<long long>(kU1));
    const __m256i m2 = _mm256_set1_epi64x(static_cast<long long>(kU2));
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i wrap = _mm256_set1_epi32(2147483562);
    const __m256d scale = _mm256_set1_pd(static_cast<double>(4.656612873E-10f));
    std::size_t i = 0;
    for (; i + kChains <= n; i += kChains) {
        __m256i z = _mm256_sub_epi32(low_halves(a1, b1), low_halves(a2, b2));
        z = _mm256_add_epi32(z, _mm256_and_si256(_mm256_cmpgt_epi32(one, z), wrap));
        _mm256_storeu_pd(out + i, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(z)), scale));
        _mm256_storeu_pd(out + i + 4,
                         _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(z, 1)), scale));
        last1 = b1;
        last2 = b2;
        a1 = mulmod4(a1, step1, delta1, m1);
        b1 = mulmod4(b1, step1, delta1, m1);
        a2 = mulmod4(a2, step2, delta2, m2);
        b2 = mulmod4(b2, step2, delta2, m2);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(c1), a1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(c1 + 4), b1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(c2), a2);
    _mm256_store_si256(reinterpret_cast<__m256i*>(c2 + 4), b2);
    if (i == n) {
        x1 = static_cast<std::uint64_t>(_mm256_extract_epi64(last1, 3));
        x2 = static_cast<std::uint64_t>(_mm256_extract_epi64(last2, 3));
    }
    for (int j = 0; i < n; ++i, ++j) {
        out[i] = uniform_of(c1[j], c2[j]);
        x1 = c1[j];
        x2 = c2[j];
    }
    s.t1 = static_cast<std::int32_t>(x1);
    s.t2 = static_cast<std::int32_t>(x2);
}
}  // namespace

void sampler_fill(SamplerStream& s, double* out, std::size_t n) {
    if (n >= 2 * kChains && simd_path() == SimdPath::avx2) return fill_lanes(s, out, n);
    if (n < 2 * kChains) {
        SamplerStream r = s;
        for (std::size_t i = 0; i < n; ++i) out[i] = sampler_uniform(r);
        s = r;
        return;
    }
    std::uint64_t c1[kChains], c2[kChains];
    std::uint64_t x1 = static_cast<std::uint64_t>(s.t1), x2 = static_cast<std::uint64_t>(s.t2);
    for (int j = 0; j < kChains; ++j) {
        x1 = 40014 * x1 % kU1;
        x2 = 40692 * x2 % kU2;
        c1[j] = x1;
        c2[j] = x2;
    }
    std::size_t i = 0;
    for (; i + kChains <= n; i += kChains)
        for (int j = 0; j < kChains; ++j) {
            out[i + static_cast<std::size_t>(j)] = uniform_of(c1[j], c2[j]);
            x1 = c1[j];
            x2 = c2[j];
            c1[j] = kStep1 * c1[j] % kU1;
            c2[j] = kStep2 * c2[j] % kU2;
        }
    for (int j = 0; i < n; ++i, ++j) {
        out[i] = uniform_of(c1[j], c2[j]);
        x1 = c1[j];
        x2 = c2[j];
    }
    // The seeds of the last draw made.
    s.t1 = static_cast<std::int32_t>(x1);
    s.t2 = static_cast<std::int32_t>(x2);
}

void sampler_jump(SamplerStream& s, std::uint64_t k) {
    s.t1 = static_cast<std::int32_t>((power_mod(40014, k, kM1) * s.t1) % kM1);
    s.t2 = static_cast<std::int32_t>((power_mod(40692, k, kM2) * s.t2) % kM2);
}

void mtn(int /*n*/, const float* p, std::int32_t* ix, int k, SamplerStream& s) {
    const double u = sampler_uniform(s);
    for (int i = 0; i < k; ++i) ix[i] = 0;
    if (u > 0.0 && u <= static_cast<double>(p[0])) ix[0] = 1;
    double c = static_cast<double>(p[0]);
    for (int i = 1; i < k; ++i) {
        const double cn = c + static_cast<double>(p[i]);
        if (c < u && u <= cn) ix[i] = 1;
        c = cn;
    }
}

}  // namespace coswitch
