#pragma once
// What a named-table run is asked to do, whoever asks: the command line,
// a binding, a test. Plain values; the words are those of scan's options.
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/run_data.hpp"

namespace coswitch {

struct ScanSettings {
    std::string table;  // the named expression table
    // Which columns, and which time point and replicate each is.
    std::string columns;                // --columns: empty for every sample
    std::optional<int> replicates;      // --replicates R
    std::string design;                 // --design FILE
    std::string samples;                // --samples REGEX
    // Genes.
    std::string genes;                  // --genes FILE
    std::string missing = "model";      // --missing model|drop|fail
    double max_missing = 0.2;           // --max-missing F, with model
    std::string transform = "none";     // --transform none|log2p1|log2
    bool transform_given = false;       // raw counts are refused without it
    std::string normalise = "none";     // --normalise none|cpm
    // Densities: fitted per gene unless given.
    std::string para1, para2;
    std::optional<char> mode;           // --mode G|T, with --para1/--para2
    // The analysis.
    int bootstrap = 100;
    NullModel null_model = NullModel::fixed;  // --null chained|fixed
    int threads = 0;                    // 0: every core
    // Output.
    double fdr = 0.05;                  // --fdr Q: the network's pairs have p_new_bh <= Q
    // --pairs all|fdr Q|top N: which pairs pairs.tsv holds; empty: every
    // pair up to all_pairs_up_to pairs, those passing fdr 0.25 above.
    std::string pairs;
    std::int64_t all_pairs_up_to = 1000000;
    bool gzip = false;
    bool nulls = false;
    std::string write_classic;          // --write-classic DIR
    int report_pairs = 50;              // --report-pairs N: panels in report.html
};

}  // namespace coswitch
