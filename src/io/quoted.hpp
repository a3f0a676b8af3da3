#pragma once
// Text from a file, an answer or an option, as a diagnostic shows it.
#include <cstddef>
#include <string>
#include <string_view>

namespace coswitch {

// Longest part of a value that a diagnostic shows.
inline constexpr std::size_t kShownCharacters = 40;

// text between double quotes, cut after kShownCharacters characters with
// "..." added, control characters and bytes that are not UTF-8 written as
// \xNN (\t, \r, \n for those three), so that one bad value gives one short
// line that a terminal shows as it is.
std::string shown_value(std::string_view text);

// text in single quotes for a POSIX shell (a ' inside becomes '\'').
std::string shell_quoted(std::string_view text);

// text as one word of a command line that pastes into a POSIX shell: as it
// is when it holds only characters no shell treats specially, else quoted.
std::string shell_word(std::string_view text);

}  // namespace coswitch
