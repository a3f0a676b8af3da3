#pragma once
// The texts a scan writes about its inputs and its run: the summary of what
// it is about to do, genes.tsv and run.tsv.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/pair_loop.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

// What the run itself was: how it was asked for, and how it went.
struct RunRecord {
    std::vector<std::string> words;  // the command line after "coswitch scan"
    std::string caller;              // when not the command line: who ran it, as run.tsv names it
    LoopReport report;
    std::int64_t pooled = 0;         // M
    long long scaled_fits = 0;
    int ranks = 1;
    double seconds = 0;
    std::string pairs_rule;      // which pairs pairs.tsv holds, as --pairs says it
    std::int64_t pairs_rows = 0;  // and how many it holds
};

// What the run is about to do, for standard output; every line begins with
// a blank.
std::string scan_inputs_text(const ScanInputs& s);

// Why genes were not kept, for a run that stops for want of genes (no
// genes.tsv then): each reason with its count and first genes (id and
// line), and the used columns that are empty in every row.
std::string genes_not_kept_text(const ScanInputs& s);

// A kept gene's two densities as the analysis used them.
struct GeneDensities {
    double mean0 = 0, sd0 = 0, mean1 = 0, sd1 = 0;
};

// Kept gene g's at [g - 1]; none when the densities are given per time
// point rather than per gene.
std::vector<GeneDensities> kept_gene_densities(const ScanInputs& s);

// Kept genes that show evidence of switching.
std::size_t switching_genes(const ScanInputs& s);

// time_densities.tsv, for densities given per time point (which genes.tsv
// cannot hold): time_index, mean0, sd0, mean1, sd1, exact shortest text.
std::string time_densities_tsv(const ScanInputs& s);

// genes.tsv: every gene of the run with its status, densities, switching
// criterion and, last, its count of missing values.
std::string genes_tsv(const ScanInputs& s);

// run.tsv: how the run was made: the command (quoted so that it pastes into
// a shell), the version, every input file with its checksum, the design,
// counts, the null model, threads, seconds.
std::string run_tsv(const ScanSettings& o, const ScanInputs& s, const RunRecord& r);

}  // namespace coswitch
