#pragma once
// One pair of a finished scan folder, read back for its panel: the design
// (design.tsv), both genes' values (values.tsv) and densities (genes.tsv,
// or time_densities.tsv in time mode), and the pair's row of pairs.tsv.
// Plain or gzip files alike.
#include <string>

#include "report/panel_data.hpp"

namespace coswitch {

// The pair of kept genes gene1 and gene2 (ids exactly as in genes.tsv), in
// the order of the run whichever comes first, refitted. RunError(kExitInput)
// naming the file for a missing or broken file, a gene the scan did not
// keep, or an unknown id (suggesting the closest ones).
PairPanel read_folder_pair(const std::string& dir, const std::string& gene1,
                           const std::string& gene2);

}  // namespace coswitch
