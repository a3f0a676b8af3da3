#include "table/printable.hpp"

#include "io/utf8.hpp"

namespace coswitch {

std::string printable(std::string_view text, std::size_t limit) {
    std::size_t end = text.size();
    const bool cut = limit != 0 && end > limit;
    if (cut) {
        end = limit;
        // Back up to the start of a UTF-8 character (continuation bytes are 10xxxxxx).
        for (int k = 0; k < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
             ++k)
            --end;
    }
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(end + 3);
    for (std::size_t i = 0; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char* named = c == '\t'   ? "\\t"
                            : c == '\r' ? "\\r"
                            : c == '\n' ? "\\n"
                            : c == '"'  ? "\\\""
                            : c == '\\' ? "\\\\"
                                        : nullptr;
        if (named != nullptr) {
            out += named;
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = utf8_length_at(text.substr(0, end), i); n > 0) {
            out.append(text, i, n);
            i += n - 1;
        } else {
            // Not UTF-8 (Latin-1, say): shown as the byte it is.
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    if (cut) out += "...";
    return out;
}

std::string escape_controls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            out += printable(std::string_view(&c, 1), 0);
        else
            out += c;
    }
    return out;
}

const char* name_fault(std::string_view text) {
    for (const char c : text) {
        if (c == '\t')
            return "holds a tab, which would split its row of the tab-separated results; "
                   "rename it";
        if (c == '\r' || c == '\n')
            return "holds a line end (CR), which would break its row of the results; rename it";
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return "holds a control character, which the results cannot carry; rename it";
        if (c == '"')
            return "holds a double quote, which R's read.delim and pandas take as the start "
                   "of a quoted field of the tab-separated results; rename it (an apostrophe "
                   "is fine)";
    }
    if (!valid_utf8(text))
        return "is not UTF-8 text, which the results (XML, HTML) need; save the table as "
               "UTF-8";
    return nullptr;
}

std::string quoted(std::string_view text, std::size_t limit) {
    return "\"" + printable(text, limit) + "\"";
}

}  // namespace coswitch
