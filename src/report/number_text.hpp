#pragma once
// Numbers of the output tables, appended to a line without allocating:
// the same text for the same double on every machine.
#include <string>

namespace coswitch {

// Fixed decimals; "NaN", "Inf", "-Inf" for the values that have none.
void append_fixed(std::string& out, double v, int decimals);

// The shortest text that reads back as exactly v, so two values get the
// same text exactly when they are the same double; the same words for the
// special values.
void append_shortest(std::string& out, double v);
// At most `digits` significant digits, exponent form for very small or
// large values (0.001332, 4.762e-05), for text a reader scans.
void append_significant(std::string& out, double v, int digits);
// The same for a single-precision value: at most nine digits.
void append_shortest_single(std::string& out, float v);

}  // namespace coswitch
