#include "run/format.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "io/number_text.hpp"

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
    // Digits in place, then the padding before them: no temporary string,
    // as the result files are mostly these fields.
    const std::size_t start = out.size(), width = static_cast<std::size_t>(w);
    append_fixed(out, value, d);
    const std::size_t n = out.size() - start;
    if (n > width) {
        out.resize(start);
        out.append(width, '*');
        return;
    }
    out.insert(start, width - n, ' ');
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
