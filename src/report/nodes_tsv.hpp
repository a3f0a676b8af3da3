#pragma once
// nodes.tsv: every kept gene as a node of the network.
#include <vector>

#include "io/text_out.hpp"
#include "report/network.hpp"
#include "report/scan_records.hpp"

namespace coswitch {

extern const char* const kNodesHeader;

// A header row, then every gene in its kept order: its degree, module,
// densities (NA when there are none per gene) and switching call. An id
// that would break the table is a RunError(kExitInput, ...) before
// anything is written.
void write_nodes_tsv(TextOut& out, const PairResults& r, const Network& net,
                     const std::vector<GeneDensities>& densities);

}  // namespace coswitch
