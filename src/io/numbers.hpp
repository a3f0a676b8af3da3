#pragma once
// Numbers as the program reads them from files, answers and options.
#include <string>

namespace coswitch {

// One value as a finite decimal number ("D" allowed as exponent letter).
bool parse_number(const std::string& text, double& out);

// A whole number (optional sign, digits) that fits 32 signed bits.
bool parse_whole_number(const std::string& text, int& out);

// The shortest decimal text that reads back as exactly v ("NaN", "Inf",
// "-Inf" for the values that have none).
std::string shortest_text(double v);

}  // namespace coswitch
