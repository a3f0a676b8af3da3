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

}  // namespace coswitch
