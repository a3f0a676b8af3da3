#pragma once
// Fixed-column fields of the result files.
#include <string>

namespace coswitch {
// Fw.d: nearest value with d decimals, right-justified in w columns; w
// asterisks when it does not fit; "NaN" for any not-a-number, "Infinity"
// or "-Infinity" for infinite values.
std::string format_f(double value, int w, int d);
// Iw: integer right-justified in w columns, w asterisks when it does not fit.
std::string format_i(long long value, int w);
// The same fields added to the end of out, for records made field by field.
void append_f(std::string& out, double value, int w, int d);
void append_i(std::string& out, long long value, int w);
}  // namespace coswitch
