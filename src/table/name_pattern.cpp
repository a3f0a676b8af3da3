#include "table/name_pattern.hpp"

#include <re2/re2.h>

#include "table/printable.hpp"

namespace coswitch {

NamePattern::NamePattern(const std::string& pattern) {
    RE2::Options o;
    o.set_log_errors(false);  // a bad pattern is the user's; the message says why
    re_ = std::make_unique<RE2>(pattern, o);
    if (!re_->ok()) error_ = re_->error().empty() ? "does not compile" : re_->error();
}

NamePattern::~NamePattern() = default;

std::size_t NamePattern::groups() const {
    const int n = re_->NumberOfCapturingGroups();
    return n < 0 ? 0 : static_cast<std::size_t>(n);
}

bool NamePattern::whole_match(std::string_view name) const {
    if (!error_.empty()) return false;
    return re_->Match(re2::StringPiece(name.data(), name.size()), 0, name.size(), RE2::ANCHOR_BOTH,
                      nullptr, 0);
}

bool NamePattern::whole_match(std::string_view name, std::vector<std::string>& captures) const {
    captures.clear();
    if (!error_.empty()) return false;
    std::vector<re2::StringPiece> found(groups() + 1);
    if (!re_->Match(re2::StringPiece(name.data(), name.size()), 0, name.size(), RE2::ANCHOR_BOTH,
                    found.data(), static_cast<int>(found.size())))
        return false;
    for (std::size_t k = 1; k < found.size(); ++k)
        captures.emplace_back(found[k].data() == nullptr
                                  ? std::string()
                                  : std::string(found[k].data(), found[k].size()));
    return true;
}

std::string literal_pattern(std::string_view text) {
    static const std::string special = "\\^$.|?*+()[]{}";
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (special.find(c) != std::string::npos) {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string shown_pattern(std::string_view pattern) {
    // RE2's errors hold the pattern, or most of it: cut what is shown, escapes
    // (four characters a byte) included.
    constexpr std::size_t kShown = 80;
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size() && out.size() < kShown) {
        std::size_t n = 1;
        while (i + n < pattern.size() && (static_cast<unsigned char>(pattern[i + n]) & 0xC0) == 0x80 &&
               n < 4)
            ++n;
        out += escape_controls(pattern.substr(i, n));
        i += n;
    }
    return i < pattern.size() ? out + "..." : out;
}

std::string pattern_error_text(const NamePattern& p) {
    return shown_pattern(p.error()) + " (RE2 syntax: no backreferences or lookaround)";
}

}  // namespace coswitch
