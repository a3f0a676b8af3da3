#pragma once
// Everything a finished scan leaves in its folder, written in one place:
// pairs.tsv, genes.tsv, design.tsv, values.tsv, time_densities.tsv (time
// mode), heatmap.svg, edges.tsv, nodes.tsv, network.graphml, report.html,
// run.tsv.
#include "io/new_file.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"
#include "report/scan_records.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

// Writes the files into the new folder, which the caller commits. nulls.txt,
// written while the pairs are analysed, is the caller's.
void write_scan_folder(const NewDirectory& folder, const ScanSettings& o, const ScanInputs& s,
                       const PairResults& r, const RankedPairs& k, const RunRecord& record);

}  // namespace coswitch
