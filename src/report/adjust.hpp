#pragma once
// Multiple-testing correction over all gene pairs.
#include <vector>

namespace coswitch {

// Benjamini-Hochberg adjusted p-values, in the order of p. Not-a-number
// entries stay not-a-number and do not count among the tests; tied p-values
// get the same adjusted value.
std::vector<double> benjamini_hochberg(const std::vector<double>& p);

}  // namespace coswitch
