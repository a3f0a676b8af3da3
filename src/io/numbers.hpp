#pragma once
// Numbers as the program reads them from files, answers and options; their
// text, the other way, comes with them.
#include <string>

#include "io/number_text.hpp"

namespace coswitch {

// One value as a finite decimal number ("D" allowed as exponent letter).
bool parse_number(const std::string& text, double& out);

// A whole number (optional sign, digits) that fits 32 signed bits.
bool parse_whole_number(const std::string& text, int& out);

}  // namespace coswitch
