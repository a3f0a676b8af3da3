#pragma once
// What one cell of an expression table holds.
#include <string_view>

namespace coswitch {

enum class CellKind { Number, Missing, Invalid };

// Missing: empty or blank, or NA, NaN, null in any case. Number: a finite
// plain decimal, optional sign, optional exponent with e or E (12, -0.75,
// .5, 3.2E-1); values below the smallest double read as zero or subnormal.
// Everything else (Inf, 1e999, 0x10, 1.5D3, 1,5) is Invalid.
CellKind read_cell(std::string_view cell, double& out);

}  // namespace coswitch
