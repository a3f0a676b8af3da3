#include "numeric/elementary.hpp"

#include <limits>

namespace coswitch {
namespace {
using namespace elementary_detail;

// a + b = s + e exactly.
void two_sum(double a, double b, double& s, double& e) {
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// a * b = p + e exactly (Dekker's product; no fused operation needed).
void two_product(double a, double b, double& p, double& e) {
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const double ca = kSplit * a, cb = kSplit * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    p = a * b;
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

constexpr double kSqrt2 = 0x1.6a09e667f3bcdp+0;

// x = 2^e m with m in (sqrt(2)/2, sqrt(2)], and log(m) = h + l with l far
// below h's last place: log(m) = log(c) + 2 atanh(s), s = (m - c) / (m + c),
// c = j/128 the nearest grid point to m, s worked to twice the precision.
// x must be finite and above 0.
void log_parts(double x, std::int64_t& e, double& h, double& l) {
    e = 0;
    if (x < 0x1p-1022) {  // subnormal: scale into the normal range
        x *= 0x1p64;
        e = -64;
    }
    const auto bits = std::bit_cast<std::uint64_t>(x);
    e += static_cast<std::int64_t>(bits >> 52) - 1023;
    double m = std::bit_cast<double>((bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL);
    if (m > kSqrt2) {
        m *= 0.5;
        e += 1;
    }
    const auto j = static_cast<int>(m * 128.0 + 0.5);  // 91..181
    const double c = static_cast<double>(j) / 128.0;
    const double u = m - c;  // exact: c is within 1/256 of m
    double dh, dl;
    two_sum(m, c, dh, dl);
    const double sh = u / dh;
    double ph, pl;
    two_product(sh, dh, ph, pl);
    const double sl = (((u - ph) - pl) - sh * dl) / dh;
    const double s2 = sh * sh;
    const double odd = (sh * s2) * (2.0 / 3 + s2 * (2.0 / 5 + s2 * (2.0 / 7)));
    double te;
    two_sum(kLogHi[j - 90], 2.0 * sh, h, te);
    l = te + (kLogLo[j - 90] + (2.0 * sl + odd));
}

// log(x) = hi + lo, lo far below hi's last place.
void log_double_length(double x, double& hi, double& lo) {
    std::int64_t e;
    double h, l;
    log_parts(x, e, h, l);
    const auto de = static_cast<double>(e);
    two_sum(de * kLn2Hi, h, hi, lo);  // de * kLn2Hi is exact
    lo = lo + (de * kLn2Lo + l);
}

// (hi + lo) (ch + cl) = ph + pl, to about twice the precision.
void times(double hi, double lo, double ch, double cl, double& ph, double& pl) {
    two_product(hi, ch, ph, pl);
    pl = pl + (hi * cl + lo * ch);
}

// The value of log, log2 and log10 where x is not a finite number above 0.
bool special_log(double x, double& out) {
    if (x > 0.0 && x <= std::numeric_limits<double>::max()) return false;
    if (x == 0.0)
        out = -std::numeric_limits<double>::infinity();
    else if (x > 0.0)
        out = x;  // +inf
    else
        out = std::numeric_limits<double>::quiet_NaN();  // below 0, or not a number
    return true;
}

const bool kHasFma = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma") != 0;
}();

}  // namespace

namespace elementary_detail {
__attribute__((target("fma"))) double exp_by_instruction(double x) { return exp_with(x); }
double exp_by_library(double x) { return exp_with(x); }
bool has_fma() { return kHasFma; }
}  // namespace elementary_detail

double portable_exp(double x) {
    return kHasFma ? exp_by_instruction(x) : exp_by_library(x);
}

double portable_log(double x) {
    double out;
    if (special_log(x, out)) return out;
    double hi, lo;
    log_double_length(x, hi, lo);
    return hi + lo;
}

double portable_log2(double x) {
    double out;
    if (special_log(x, out)) return out;
    std::int64_t e;
    double h, l, ph, pl, t, te;
    log_parts(x, e, h, l);
    times(h, l, kInvLn2Hi, kInvLn2Lo, ph, pl);
    two_sum(static_cast<double>(e), ph, t, te);  // a power of two gives e exactly
    return t + (te + pl);
}

double portable_log10(double x) {
    double out;
    if (special_log(x, out)) return out;
    double hi, lo, ph, pl;
    log_double_length(x, hi, lo);
    times(hi, lo, kInvLn10Hi, kInvLn10Lo, ph, pl);
    return ph + pl;
}

}  // namespace coswitch
