#include "random/sampler.hpp"

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
}  // namespace

void sampler_fill(SamplerStream& s, double* out, std::size_t n) {
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
