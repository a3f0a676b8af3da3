#pragma once
// exp of four doubles at once, for functions built with
// __attribute__((target("avx2,fma"))) only: lane by lane the bits of
// portable_exp.
#include <immintrin.h>

#include "numeric/elementary.hpp"

namespace coswitch {

__attribute__((target("avx2,fma"), always_inline)) inline __m256d exp4_fused(__m256d x) {
    using namespace elementary_detail;
    // exp_plain on the four lanes at once: 2^-54 <= |x| < 512 by exponent.
    const __m256i abstop =
        _mm256_and_si256(_mm256_srli_epi64(_mm256_castpd_si256(x), 52), _mm256_set1_epi64x(0x7ff));
    const __m256i outside = _mm256_or_si256(
        _mm256_cmpgt_epi64(_mm256_set1_epi64x(top12(0x1p-54)), abstop),
        _mm256_cmpgt_epi64(abstop, _mm256_set1_epi64x(top12(512.0) - 1)));
    if (!_mm256_testz_si256(outside, outside)) [[unlikely]] {
        alignas(32) double lane[4];
        _mm256_store_pd(lane, x);
        for (double& v : lane) v = exp_with(v);
        return _mm256_load_pd(lane);
    }
    const __m256d shift = _mm256_set1_pd(kShift);
    __m256d kd = _mm256_fmadd_pd(_mm256_set1_pd(kInvLn2N), x, shift);
    const __m256i ki = _mm256_castpd_si256(kd);
    kd = _mm256_sub_pd(kd, shift);
    const __m256d r = _mm256_fmadd_pd(kd, _mm256_set1_pd(kNegLn2LoN),
                                      _mm256_fmadd_pd(kd, _mm256_set1_pd(kNegLn2HiN), x));
    const __m256i idx = _mm256_slli_epi64(_mm256_and_si256(ki, _mm256_set1_epi64x(127)), 1);
    const auto* table = reinterpret_cast<const long long*>(kExpTable);
    const __m256d tail = _mm256_castsi256_pd(_mm256_i64gather_epi64(table, idx, 8));
    const __m256i sbits = _mm256_add_epi64(_mm256_i64gather_epi64(table + 1, idx, 8),
                                           _mm256_slli_epi64(ki, 45));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d p45 = _mm256_fmadd_pd(r, _mm256_set1_pd(kC5), _mm256_set1_pd(kC4));
    const __m256d p23 = _mm256_fmadd_pd(r, _mm256_set1_pd(kC3), _mm256_set1_pd(kC2));
    const __m256d tmp = _mm256_fmadd_pd(_mm256_mul_pd(r2, r2), p45,
                                        _mm256_fmadd_pd(r2, p23, _mm256_add_pd(tail, r)));
    const __m256d scale = _mm256_castsi256_pd(sbits);
    return _mm256_fmadd_pd(scale, tmp, scale);
}

}  // namespace coswitch
