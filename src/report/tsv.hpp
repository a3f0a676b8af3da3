#pragma once
// Every pair as a tab-separated table for R or pandas.
#include <string>
#include <vector>

#include "report/pvalue_table.hpp"

namespace coswitch {
std::string summary_tsv(const PairTable& t, const std::vector<std::string>& names);
}  // namespace coswitch
