#pragma once
// exp and log of our own. The system library's results differ in the last bit
// between processors with and without FMA (glibc 2.36: about one exp in 1,400,
// and log, log2 and log10 as well), and such a bit showed in printed digits.
// These use IEEE basic operations only, in a fixed order, so every machine
// and every vector path gives the same bits; they are within about half a
// unit in the last place (the tests measure it).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "numeric/elementary_tables.hpp"

namespace coswitch {

double portable_log(double x);
double portable_log2(double x);
double portable_log10(double x);

namespace elementary_detail {

inline constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer
// Outside [kExpLow, kExpHigh] exp is 0 or infinite; inside, k of 2^k
// splits into two factors that are both normal numbers.
inline constexpr double kExpLow = -746.0;
inline constexpr double kExpHigh = 710.0;
inline constexpr double kC2 = 1.0 / 2, kC3 = 1.0 / 6, kC4 = 1.0 / 24, kC5 = 1.0 / 120,
                        kC6 = 1.0 / 720;

// With ki = k * 128 + i biased by kBias, the two halves of k get back their
// exponent field by subtracting kUnbias = (kBias / 128) / 2 - 1023 each.
inline constexpr std::uint64_t kBias = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kUnbias = (kBias >> 8) - 1023;

// exp(x) for x in [kExpLow, kExpHigh]: x = k ln2/128 + r with |r| <= ln2/256
// (k ln2/128 exact in two parts), exp(r) - 1 by its Taylor polynomial, times
// 2^(i/128) from the table, then 2^(k/128 - i/128) in two exact steps, so the
// one rounding of a subnormal result is the last.
inline __attribute__((always_inline)) double exp_in_range(double x) {
    const double shifted = x * kInvLn2N + kShift;
    const double kd = shifted - kShift;
    // ki + 2^20 = k * 128 + i with k + 8192 >= 0: unsigned shifts only.
    const std::uint64_t u =
        std::bit_cast<std::uint64_t>(shifted) - (std::bit_cast<std::uint64_t>(kShift) - kBias);
    const double r = (x - kd * kLn2HiN) - kd * kLn2LoN;
    const double p = r + (r * r) * (kC2 + r * (kC3 + r * (kC4 + r * (kC5 + r * kC6))));
    const std::uint64_t i = u & 127;
    const std::uint64_t k = u >> 7, k1 = k >> 1;
    const double v = kExp2Hi[i] + (kExp2Lo[i] + kExp2Hi[i] * p);
    return (v * std::bit_cast<double>((k1 - kUnbias) << 52)) *
           std::bit_cast<double>((k - k1 - kUnbias) << 52);
}

typedef double v4d __attribute__((vector_size(32)));
typedef std::uint64_t v4u __attribute__((vector_size(32)));
typedef std::int64_t v4l __attribute__((vector_size(32)));

}  // namespace elementary_detail

inline double portable_exp(double x) {
    using namespace elementary_detail;
    if (x >= kExpLow && x <= kExpHigh) [[likely]]
        return exp_in_range(x);
    if (x > kExpHigh) return std::numeric_limits<double>::infinity();
    if (x < kExpLow) return 0.0;
    return x + x;  // not a number
}

// Four doubles side by side, for portable_exp4, which is always inlined, so
// no vector crosses a call whatever the instruction set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
using Lanes4 = elementary_detail::v4d;

// Four at once, lane by lane the operations of exp_in_range: the same bits.
inline __attribute__((always_inline)) Lanes4 portable_exp4(Lanes4 x) {
    using namespace elementary_detail;
    const v4l ok = (x >= kExpLow) & (x <= kExpHigh);
    if (!(ok[0] & ok[1] & ok[2] & ok[3])) [[unlikely]]
        return v4d{portable_exp(x[0]), portable_exp(x[1]), portable_exp(x[2]), portable_exp(x[3])};
    const v4d shifted = x * kInvLn2N + kShift;
    const v4d kd = shifted - kShift;
    const v4u u = (v4u)shifted - (std::bit_cast<std::uint64_t>(kShift) - kBias);
    const v4d r = (x - kd * kLn2HiN) - kd * kLn2LoN;
    const v4d p = r + (r * r) * (kC2 + r * (kC3 + r * (kC4 + r * (kC5 + r * kC6))));
    const v4u i = u & 127;
    const v4u k = u >> 7, k1 = k >> 1;
    const v4d hi = {kExp2Hi[i[0]], kExp2Hi[i[1]], kExp2Hi[i[2]], kExp2Hi[i[3]]};
    const v4d lo = {kExp2Lo[i[0]], kExp2Lo[i[1]], kExp2Lo[i[2]], kExp2Lo[i[3]]};
    const v4d v = hi + (lo + hi * p);
    return (v * (v4d)((k1 - kUnbias) << 52)) * (v4d)((k - k1 - kUnbias) << 52);
}
#pragma GCC diagnostic pop

}  // namespace coswitch
