#include "io/quoted.hpp"

namespace coswitch {
namespace {

// Length of the UTF-8 sequence that starts at s[i], or 0 if none does.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t n = 0;
    unsigned min = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    unsigned cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string shown_value(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    std::size_t shown = 0;
    std::size_t i = 0;
    while (i < text.size() && shown < kShownCharacters) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\t' || c == '\r' || c == '\n') {
            out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : "\\n";
            ++i;
        } else if (const std::size_t n = c >= 0x80 ? utf8_length(text, i) : 0; n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        }
        ++shown;
    }
    out += '"';
    if (i < text.size()) out += "...";
    return out;
}

std::string shell_quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string shell_word(std::string_view text) {
    if (text.empty()) return "''";
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || std::string_view("_./:=,@%+-").find(c) !=
                                                         std::string_view::npos;
        if (!plain) return shell_quoted(text);
    }
    return std::string(text);
}

}  // namespace coswitch
