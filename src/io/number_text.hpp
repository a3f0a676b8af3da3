#pragma once
// Numbers as text, the one home of their formatting: the same text for the
// same double on every machine, and "NaN", "Inf", "-Inf" for the values
// that have no digits. The append forms add to a line without allocating.
#include <string>

namespace coswitch {

// Fixed decimals.
void append_fixed(std::string& out, double v, int decimals);
std::string fixed(double v, int decimals);

// The shortest text that reads back as exactly v, so two values get the
// same text exactly when they are the same double.
void append_shortest(std::string& out, double v);
std::string shortest_text(double v);
// The same for a single-precision value: at most nine digits.
void append_shortest_single(std::string& out, float v);

// At most `digits` significant digits, exponent form for very small or
// large values (0.001332, 4.762e-05), for text a reader scans.
void append_significant(std::string& out, double v, int digits);
std::string significant(double v, int digits);

// Digits of an adjusted p-value in the tables: enough to tell the levels a
// reader compares with, without the binary noise of the adjustment's
// products (0.019999999999999997); equal values still give equal text.
inline constexpr int kAdjustedDigits = 6;

}  // namespace coswitch
