#pragma once
// --samples REGEX: time point and replicate read from the sample names.
//
// REGEX (RE2 syntax, name_pattern.hpp) has two capture groups, time first,
// then replicate, or one, the time, and the replicates of each time point
// numbered 1, 2, ... in column order (use (?:...) for other groups); it is
// matched against each selected sample's whole name. Samples that do not
// match are not used; a matched time that is not a number is an error naming
// the sample.
// design_from_labels orders time points and replicates.
#include <string>
#include <vector>

#include "table/design.hpp"

namespace coswitch {

Design design_from_samples(const NamedTable& table, const std::vector<std::size_t>& selected,
                           const std::string& pattern,
                           bool holes_allowed = false);

}  // namespace coswitch
