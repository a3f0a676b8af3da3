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

void sampler_fill(SamplerStream& s, double* out, std::size_t n) {
    SamplerStream r = s;
    for (std::size_t i = 0; i < n; ++i) out[i] = sampler_uniform(r);
    s = r;
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
