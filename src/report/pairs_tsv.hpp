#pragma once
// pairs.tsv: every pair, ranked, as a tab-separated table for R or pandas.
#include <cstdint>
#include <string>
#include <vector>

#include "io/text_out.hpp"
#include "report/pair_notes.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

extern const char* const kPairsHeader;

// A RunError(kExitInput, ...) naming file and the first id that would break
// a tab-separated table (a tab or a line break).
void check_tsv_ids(const std::vector<std::string>& names, const std::string& file);

// A header row, then one row per pair in the order of k. Statistics have 8
// decimals; p-values and adjusted values the shortest text that reads back
// as the same double, so equal counts give equal text. A gene id that would
// break the table (a tab or a line break) is a RunError(kExitInput, ...)
// before anything is written. With active notes a last column, note, says
// why a value is not a number.
void write_pairs_tsv(TextOut& out, const PairResults& r, const RankedPairs& k,
                     const PairNotes& notes = {});

// The row of the pair at position n, ranked `rank` (from 1), without its line
// end: the text other reports read back, so that they show what the table does.
std::string pair_row(const PairResults& r, const RankedPairs& k, std::int64_t rank, std::int64_t n);

}  // namespace coswitch
