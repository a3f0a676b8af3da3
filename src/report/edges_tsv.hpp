#pragma once
// edges.tsv: the network's pairs, ranked, with the numbers that weigh them.
#include "io/text_out.hpp"
#include "report/network.hpp"

namespace coswitch {

extern const char* const kEdgesHeader;

// A header row, then the first net.edges pairs of k, each with the number
// texts of pairs.tsv. An id that would break the table is a
// RunError(kExitInput, ...) before anything is written.
void write_edges_tsv(TextOut& out, const PairResults& r, const RankedPairs& k, const Network& net);

}  // namespace coswitch
