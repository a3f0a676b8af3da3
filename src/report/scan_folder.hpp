#pragma once
// Everything a finished scan leaves in its folder, written in one place:
// pairs.tsv, genes.tsv, design.tsv, values.tsv, time_densities.tsv (time
// mode), heatmap.svg, edges.tsv, nodes.tsv, network.graphml, report.html,
// run.tsv.
#include "io/new_file.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"
#include "report/pairs_tsv.hpp"
#include "report/scan_records.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

// What pairs.tsv holds: by which rule, how many rows.
struct PairsWritten {
    PairsChoice choice;
    std::int64_t rows = 0;
};

// The rule o.pairs names, or the default for the run's size; a
// RunError(kExitInput, ...) for words that name none.
PairsChoice pairs_choice_of(const ScanSettings& o, std::int64_t pairs);

// One line for the summary: what pairs.tsv holds, and why; begins with a blank.
std::string pairs_written_text(const PairsWritten& w, std::int64_t pairs);

// Writes the files into the new folder, which the caller commits. nulls.txt,
// written while the pairs are analysed, is the caller's.
PairsWritten write_scan_folder(const NewDirectory& folder, const ScanSettings& o, const ScanInputs& s,
                               const PairResults& r, const RankedPairs& k, const RunRecord& record);

}  // namespace coswitch
