#include "table/cell_value.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

namespace coswitch {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool plain_decimal(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && is_digit(s[i])) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < n && is_digit(s[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    return i == n;
}

}  // namespace

CellKind read_cell(std::string_view cell, double& out) {
    const std::size_t first = cell.find_first_not_of(" \t");
    if (first == std::string_view::npos) return CellKind::Missing;
    cell = cell.substr(first, cell.find_last_not_of(" \t") - first + 1);
    if (equals_ignoring_case(cell, "na") || equals_ignoring_case(cell, "nan") ||
        equals_ignoring_case(cell, "null"))
        return CellKind::Missing;
    if (!plain_decimal(cell)) return CellKind::Invalid;
    const std::string text(cell);
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) return CellKind::Invalid;
    out = v;
    return CellKind::Number;
}

}  // namespace coswitch
