#pragma once
// exp and log whose bits do not depend on the machine. The system library's
// results differ in the last bit between processors with and without FMA
// (glibc 2.36: about one exp in 1,400; log, log2 and log10 as well), and such
// bits showed in printed digits.
// exp is the system library's own method (glibc 2.28 and later) as it runs
// on a processor with FMA, bit for bit, with every fused step written out:
// so the results stay those of the existing runs on such processors, and a
// processor without FMA gets the same bits from the exact fma in software.
// log, log2 and log10 use IEEE basic operations only, in a fixed order, and
// are within about half a unit in the last place.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "numeric/elementary_tables.hpp"

namespace coswitch {

double portable_exp(double x);
double portable_log(double x);
double portable_log2(double x);
double portable_log10(double x);

namespace elementary_detail {

inline constexpr double kInvLn2N = 0x1.71547652b82fep0 * 128;
inline constexpr double kNegLn2HiN = -0x1.62e42fefa0000p-8;
inline constexpr double kNegLn2LoN = -0x1.cf79abc9e3b3ap-47;
inline constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kC2 = 0x1.ffffffffffdbdp-2, kC3 = 0x1.555555555543cp-3,
                        kC4 = 0x1.55555cf172b91p-5, kC5 = 0x1.1111167a4d017p-7;

inline std::uint32_t top12(double x) { return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 52); }

// |x| in [2^-54, 512): the common case, that needs no scaling of its result.
inline bool exp_plain(double x) {
    return (top12(x) & 0x7ff) - top12(0x1p-54) < top12(512.0) - top12(0x1p-54);
}

// exp(x) = 2^(k/128) exp(r), |r| <= ln2/256, with exp(r) - 1 by a polynomial
// and 2^(k/128) = s (1 + tail) from the table. Inlined into a function built
// for FMA, std::fma is the instruction; elsewhere the C library's exact one.
inline __attribute__((always_inline)) double exp_with(double x) {
    using std::fma;
    std::uint32_t abstop = top12(x) & 0x7ff;
    if (!exp_plain(x)) [[unlikely]] {
        if (abstop - top12(0x1p-54) >= 0x80000000U) return 1.0 + x;  // tiny
        if (abstop >= top12(1024.0)) {
            if (std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(-kInf))
                return 0.0;
            if (abstop >= top12(kInf)) return 1.0 + x;
            return std::bit_cast<std::uint64_t>(x) >> 63 ? 0.0 : kInf;
        }
        abstop = 0;  // 512 <= |x| < 1024: scaled below
    }
    double kd = fma(kInvLn2N, x, kShift);
    const std::uint64_t ki = std::bit_cast<std::uint64_t>(kd);
    kd -= kShift;
    const double r = fma(kd, kNegLn2LoN, fma(kd, kNegLn2HiN, x));
    const std::uint64_t idx = 2 * (ki % 128);
    const std::uint64_t top = ki << 45;
    const double tail = std::bit_cast<double>(kExpTable[idx]);
    std::uint64_t sbits = kExpTable[idx + 1] + top;
    const double r2 = r * r;
    const double tmp = fma(r2 * r2, fma(r, kC5, kC4), fma(r2, fma(r, kC3, kC2), tail + r));
    if (abstop != 0) [[likely]] {
        const double scale = std::bit_cast<double>(sbits);
        return fma(scale, tmp, scale);
    }
    if ((ki & 0x80000000U) == 0) {  // k > 0: the scale's exponent may overflow
        sbits -= std::uint64_t{1009} << 52;
        const double scale = std::bit_cast<double>(sbits);
        return 0x1p1009 * fma(scale, tmp, scale);
    }
    // k < 0: round to the final precision before scaling into the subnormal
    // range, so that there is one rounding. Here the product is not fused.
    sbits += std::uint64_t{1022} << 52;
    const double scale = std::bit_cast<double>(sbits);
    const double st = scale * tmp;
    double y = scale + st;
    if (y < 1.0) {
        double lo = scale - y + st;
        const double hi = 1.0 + y;
        lo = 1.0 - hi + y + lo;
        y = (hi + lo) - 1.0;
        if (y == 0.0) y = 0.0;
    }
    return 0x1p-1022 * y;
}

// Both ways, for the tests: they must give the same bits.
double exp_by_instruction(double x);  // only where has_fma()
double exp_by_library(double x);
bool has_fma();

}  // namespace elementary_detail

}  // namespace coswitch
