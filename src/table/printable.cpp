#include "table/printable.hpp"

namespace coswitch {

std::string printable(std::string_view text, std::size_t limit) {
    std::size_t end = text.size();
    const bool cut = limit != 0 && end > limit;
    if (cut) {
        end = limit;
        // Back up to the start of a UTF-8 character (continuation bytes are 10xxxxxx).
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
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
        } else {
            out += static_cast<char>(c);
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

std::string quoted(std::string_view text, std::size_t limit) {
    return "\"" + printable(text, limit) + "\"";
}

}  // namespace coswitch
