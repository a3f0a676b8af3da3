#pragma once
// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
#include <cstddef>
#include <string_view>

namespace coswitch {

// Bytes of the well-formed UTF-8 character at s[i], or 0 when there is none.
std::size_t utf8_length_at(std::string_view s, std::size_t i);

bool valid_utf8(std::string_view s);

}  // namespace coswitch
