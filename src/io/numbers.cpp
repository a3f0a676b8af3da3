#include "io/numbers.hpp"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace coswitch {
namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool parse_number(const std::string& text, double& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && is_digit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    std::string normal = text;
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        normal[i] = 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < n && is_digit(text[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    if (i != n) return false;
    const double v = std::strtod(normal.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parse_whole_number(const std::string& text, int& out) {
    std::size_t i = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
    if (i == text.size()) return false;
    for (std::size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace coswitch
