#pragma once
// Multiple-testing correction over all gene pairs.
#include <cstdint>
#include <vector>

namespace coswitch {

// Benjamini-Hochberg adjusted p-values, in the order of p. Not-a-number
// entries stay not-a-number and do not count among the tests; tied p-values
// get the same adjusted value.
std::vector<double> benjamini_hochberg(const std::vector<double>& p);

// The same for the pooled p-values (count + 1) / (M + 1), taken from the counts (all
// not-a-number when M is 0): bit for bit what benjamini_hochberg gives on
// those quotients, with one extra index per value while it runs.
std::vector<double> benjamini_hochberg_counts(const std::vector<std::int64_t>& count,
                                              std::int64_t M);
// The same without the extra index, given every position ordered by
// ascending count (a ranking by this p-value).
std::vector<double> benjamini_hochberg_counts(const std::vector<std::int64_t>& count,
                                              std::int64_t M,
                                              const std::vector<std::int64_t>& ascending);

}  // namespace coswitch
