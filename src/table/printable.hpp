#pragma once
// Text from an input file as it is shown in a message: short, one line.
#include <cstddef>
#include <string>
#include <string_view>

namespace coswitch {

// Control characters, quotes and backslashes escaped (\t, \r, \n, \", \\,
// \xHH), and so is every byte that is not part of well-formed UTF-8; cut
// to at most `limit` bytes of the original (never inside a UTF-8
// character) with "..." appended when it was longer. limit 0: no cut.
std::string printable(std::string_view text, std::size_t limit = 40);

// printable(text) in double quotes, the form every message uses.
std::string quoted(std::string_view text, std::size_t limit = 40);

// Control characters escaped as above, everything else (quotes, backslashes)
// as it is; never cut. For names in tab-separated files (a tab inside a
// quoted name would break the row) and patterns in messages.
std::string escape_controls(std::string_view text);

// Why text cannot be a gene id or a sample name, the fix included; nullptr
// when it can. They reach tab-separated results that R and pandas read
// quote-aware, and XML and HTML: so no tab, CR or other control character,
// no double quote, and UTF-8 only.
const char* name_fault(std::string_view text);

}  // namespace coswitch
