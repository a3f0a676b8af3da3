#pragma once
// A design from column order checked against the sample names, so that a
// table named by time and replicate is never read silently as something
// else (see sample_names.hpp for how names are read).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "table/design.hpp"

namespace coswitch {

// Without a design option: when two selected names share a time token
// (ZT0_R1, ZT0_R2), an input error naming them and suggesting --samples
// (a checked pattern) or --replicates 1.
void check_names_without_design(const NamedTable& table, const std::vector<std::size_t>& selected);

// With --replicates R (d from design_by_order): when every selected name has
// a time token and two names of one time point share none (t3, t4), an input
// error naming them and suggesting a checked --samples pattern or
// --replicates 1.
void check_replicate_groups(const NamedTable& table, const std::vector<std::size_t>& selected,
                            const Design& d);

// The first of candidate_patterns that makes a design of every selected
// column, at least 2 time points of at least 2 replicates each.
struct CheckedPattern {
    std::string pattern;
    std::size_t NTIME = 0, NREP = 0;
};
std::optional<CheckedPattern> checked_pattern(const NamedTable& table,
                                              const std::vector<std::size_t>& selected);

}  // namespace coswitch
