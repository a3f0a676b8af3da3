#include "io/number_text.hpp"

#include <charconv>
#include <cmath>

namespace coswitch {
namespace {

bool append_special(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "NaN";
        return true;
    }
    if (std::isinf(v)) {
        out += v > 0 ? "Inf" : "-Inf";
        return true;
    }
    return false;
}

}  // namespace

void append_fixed(std::string& out, double v, int decimals) {
    if (append_special(out, v)) return;
    char buf[400];  // the largest double has 309 digits before the point
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, r.ptr);
}

std::string fixed(double v, int decimals) {
    std::string s;
    append_fixed(s, v, decimals);
    return s;
}

void append_shortest(std::string& out, double v) {
    if (append_special(out, v)) return;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string shortest_text(double v) {
    std::string s;
    append_shortest(s, v);
    return s;
}

void append_significant(std::string& out, double v, int digits) {
    if (append_special(out, v)) return;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    out.append(buf, r.ptr);
}

std::string significant(double v, int digits) {
    std::string s;
    append_significant(s, v, digits);
    return s;
}

void append_shortest_single(std::string& out, float v) {
    if (append_special(out, v)) return;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

}  // namespace coswitch
