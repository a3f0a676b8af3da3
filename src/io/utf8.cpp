#include "io/utf8.hpp"

namespace coswitch {

std::size_t utf8_length_at(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + extra >= s.size()) return 0;
    const unsigned char second = static_cast<unsigned char>(s[i + 1]);
    if (second < lo || second > hi) return 0;
    for (std::size_t k = 2; k <= extra; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return extra + 1;
}

bool valid_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8_length_at(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace coswitch
