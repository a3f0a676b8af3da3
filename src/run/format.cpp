#include "run/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace coswitch {
namespace {
void append_justified(std::string& out, const char* s, std::size_t n, int w) {
    const auto width = static_cast<std::size_t>(w);
    if (n > width) {
        out.append(width, '*');
        return;
    }
    out.append(width - n, ' ');
    out.append(s, n);
}
}  // namespace

void append_f(std::string& out, double value, int w, int d) {
    if (std::isnan(value)) return append_justified(out, "NaN", 3, w);
    if (std::isinf(value)) {
        const char* s = value < 0 ? "-Infinity" : "Infinity";
        return append_justified(out, s, std::strlen(s), w);
    }
    // to_chars rounds the exact binary value as printf's %.*f does, ties to
    // even included, without printf's multiple-precision arithmetic: the
    // result files are mostly these fields.
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, d);
    if (r.ec == std::errc()) return append_justified(out, buf, static_cast<std::size_t>(r.ptr - buf), w);
    const int n = std::snprintf(buf, sizeof buf, "%.*f", d, value);
    append_justified(out, buf, static_cast<std::size_t>(n), w);
}

void append_i(std::string& out, long long value, int w) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    append_justified(out, buf, static_cast<std::size_t>(r.ptr - buf), w);
}

std::string format_f(double value, int w, int d) {
    std::string s;
    append_f(s, value, w, d);
    return s;
}

std::string format_i(long long value, int w) {
    std::string s;
    append_i(s, value, w);
    return s;
}
}  // namespace coswitch
