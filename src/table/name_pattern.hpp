#pragma once
// A pattern a user types to pick sample names (--samples, --columns ~REGEX),
// in RE2's syntax, matched against whole names.
//
// RE2 rather than std::regex: std::regex matches by recursion, about one
// stack frame a character, and a name of some 30,000 bytes overflowed the
// stack; RE2 takes time linear in the name and no recursion. Its syntax is
// Perl's without backreferences and lookaround (\d, \w, (?:...), [A-Z]+).
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}

namespace coswitch {

class NamePattern {
public:
    explicit NamePattern(const std::string& pattern);
    ~NamePattern();
    NamePattern(const NamePattern&) = delete;
    NamePattern& operator=(const NamePattern&) = delete;

    // Why it does not compile; "" when it does.
    const std::string& error() const { return error_; }
    std::size_t groups() const;
    // Whether the whole name matches; captures gets the text of each group
    // ("" for a group that took no part).
    bool whole_match(std::string_view name) const;
    bool whole_match(std::string_view name, std::vector<std::string>& captures) const;

private:
    std::unique_ptr<re2::RE2> re_;
    std::string error_;
};

// text as a pattern that matches it literally.
std::string literal_pattern(std::string_view text);

// A pattern (or RE2's error, which holds it) as a message shows it: control
// characters escaped, cut after some 80 characters.
std::string shown_pattern(std::string_view pattern);

// What a message says after a pattern that does not compile, e.g. "missing
// ): (a (RE2 syntax: ...)".
std::string pattern_error_text(const NamePattern& p);

}  // namespace coswitch
