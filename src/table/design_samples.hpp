#pragma once
// --samples REGEX: time point and replicate read from the sample names.
//
// REGEX is ECMAScript with exactly two capture groups, time first, then
// replicate (use (?:...) for other groups), matched against each selected
// sample's whole name (std::regex_match). Samples that do not match are not
// used; a matched time that is not a number is an error naming the sample.
// design_from_labels orders time points and replicates.
#include <string>
#include <vector>

#include "table/design.hpp"

namespace coswitch {

Design design_from_samples(const NamedTable& table, const std::vector<std::size_t>& selected,
                           const std::string& pattern);

}  // namespace coswitch
