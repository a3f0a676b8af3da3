#pragma once
// Text from an input file as it is shown in a message: short, one line.
#include <cstddef>
#include <string>
#include <string_view>

namespace coswitch {

// Control characters, quotes and backslashes escaped (\t, \r, \n, \", \\,
// \xHH); cut to at most `limit` bytes of the original (never inside a UTF-8
// character) with "..." appended when it was longer. limit 0: no cut.
std::string printable(std::string_view text, std::size_t limit = 40);

// printable(text) in double quotes, the form every message uses.
std::string quoted(std::string_view text, std::size_t limit = 40);

// Control characters escaped as above, everything else (quotes, backslashes)
// as it is; never cut. For names in tab-separated files (a tab inside a
// quoted name would break the row) and patterns in messages.
std::string escape_controls(std::string_view text);

}  // namespace coswitch
