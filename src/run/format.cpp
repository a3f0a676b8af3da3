#include "run/format.hpp"

#include <cmath>

#include "io/number_text.hpp"

namespace coswitch {
namespace {
std::string justify(const std::string& s, int w) {
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}
}  // namespace

std::string format_f(double value, int w, int d) {
    if (std::isnan(value)) return justify("NaN", w);
    if (std::isinf(value)) return justify(value < 0 ? "-Infinity" : "Infinity", w);
    return justify(fixed(value, d), w);
}

std::string format_i(long long value, int w) { return justify(std::to_string(value), w); }
}  // namespace coswitch
