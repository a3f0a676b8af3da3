#pragma once
// The seed steps of the combined generators, four 64-bit lanes at a time,
// for functions built with __attribute__((target("avx2"))) only.
#include <immintrin.h>

namespace coswitch {

// a s mod m for a, s in 1..m-1 and m = 2^31 - delta, on four 64-bit lanes:
// 2^31 is delta mod m, so folding the bits above 2^31 back in twice leaves
// a value below 2 m, and one subtraction the remainder itself.
__attribute__((target("avx2"), always_inline)) inline __m256i mulmod4(__m256i s, __m256i a,
                                                                      __m256i delta, __m256i m) {
    const __m256i low31 = _mm256_set1_epi64x(0x7fffffff);
    const __m256i x = _mm256_mul_epu32(s, a);
    const __m256i y = _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 31), delta),
                                       _mm256_and_si256(x, low31));
    const __m256i z = _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(y, 31), delta),
                                       _mm256_and_si256(y, low31));
    const __m256i over = _mm256_cmpgt_epi64(z, _mm256_sub_epi64(m, _mm256_set1_epi64x(1)));
    return _mm256_sub_epi64(z, _mm256_and_si256(over, m));
}

// The low halves of eight 64-bit lanes, in order.
__attribute__((target("avx2"), always_inline)) inline __m256i low_halves(__m256i a, __m256i b) {
    const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    return _mm256_permute2x128_si256(_mm256_permutevar8x32_epi32(a, pick),
                                     _mm256_permutevar8x32_epi32(b, pick), 0x20);
}

}  // namespace coswitch
