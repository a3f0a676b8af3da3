#pragma once
// The ranked table of pairs that summary prints.
#include <cstddef>
#include <string>
#include <vector>

#include "report/pvalue_table.hpp"

namespace coswitch {

// Row indices ranked by the adjusted dependence p-value, then the raw one,
// then the pair order; not-a-number last.
std::vector<std::size_t> ranking(const PairTable& t);

// The report on standard output: every line begins with a blank.
std::string summary_text(const PairTable& t, const std::vector<std::string>& names,
                         bool names_given, int top, const std::string& source);

}  // namespace coswitch
