#pragma once
// Every pair as a tab-separated table for R or pandas.
#include <string>
#include <vector>

#include "report/pvalue_table.hpp"
#include "report/summary_text.hpp"

namespace coswitch {
// A header row, then the selected pairs in the table's order.
std::string summary_tsv(const PairTable& t, const std::vector<std::string>& names,
                        const PairSelection& selection = {});
}  // namespace coswitch
