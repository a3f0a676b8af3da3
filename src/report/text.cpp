#include "report/text.hpp"

#include <algorithm>

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

std::string xml_escape(const std::string& s) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        const std::size_t n = utf8_length_at(s, i);
        // U+FFFE and U+FFFF are UTF-8 but not XML characters.
        const bool non_character = n == 3 && s.compare(i, 2, "\xEF\xBF") == 0 &&
                                   (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE;
        if (n == 0 || non_character || (static_cast<unsigned char>(c) < 0x20 &&
                                        c != '\t' && c != '\n' && c != '\r')) {
            // No XML text can carry this byte: it is shown as \xHH instead.
            const auto u = static_cast<unsigned char>(c);
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
            ++i;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;  // &apos; is not HTML 4
            // As references they survive in attribute values, which turn them into blanks.
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default: out.append(s, i, n);
        }
        i += n;
    }
    return out;
}

}  // namespace coswitch
