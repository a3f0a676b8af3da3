#include "report/text.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace coswitch {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Lines without their line ends (LF or CR LF).
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', pos);
        cells.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
        if (tab == std::string::npos) return cells;
        pos = tab + 1;
    }
}

std::size_t text_width(const std::string& s) {
    std::size_t w = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++w;
    return w;
}

bool valid_utf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
        if (c < 0x80) {
            ++i;
            continue;
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
            return false;
        }
        if (i + extra >= s.size()) return false;
        const unsigned char second = static_cast<unsigned char>(s[i + 1]);
        if (second < lo || second > hi) return false;
        for (std::size_t k = 2; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string fixed(double v, int decimals) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string general(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// Aligned columns: numbers to the right, names to the left.
std::string aligned(const std::vector<std::vector<std::string>>& cells,
                    const std::vector<bool>& left) {
    std::vector<std::size_t> width(left.size(), 0);
    for (const auto& row : cells)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], text_width(row[c]));
    std::string out;
    for (const auto& row : cells) {
        std::string line = " ";
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(width[c] - text_width(row[c]), ' ');
            if (c > 0) line += "  ";
            line += left[c] ? row[c] + pad : pad + row[c];
        }
        while (line.size() > 1 && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

namespace {

// Bytes in a well-formed UTF-8 sequence starting at s[i], or 0.
std::size_t utf8_sequence(const std::string& s, std::size_t i) {
    std::size_t n = 1;
    while (n <= 4 && i + n <= s.size()) {
        if (valid_utf8(s.substr(i, n))) return n;
        ++n;
    }
    return 0;
}

}  // namespace

std::string xml_escape(const std::string& s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;  // &apos; is not HTML 4
            default:
                // XML has no way to write control characters or stray bytes: a
                // replacement character keeps the document readable.
                if (c >= 0x80) {
                    const std::size_t n = utf8_sequence(s, i);
                    out += n > 0 ? s.substr(i, n) : "\xEF\xBF\xBD";
                    i += n > 0 ? n : 1;
                    continue;
                }
                if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
                    out += "\xEF\xBF\xBD";
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    return out;
}

}  // namespace coswitch
