#pragma once
// Options of `coswitch scan`.
#include <optional>
#include <string>
#include <vector>

#include "cli/options.hpp"

namespace coswitch {

struct ScanOptions {
    bool help = false;
    std::string table;   // the named expression table
    std::string output;  // -o: the folder to create
    // Which columns, and which time point and replicate each is.
    std::string columns;                // --columns: empty for every sample
    std::optional<int> replicates;      // --replicates R
    std::string design;                 // --design FILE
    std::string samples;                // --samples REGEX
    // Genes.
    std::string genes;                  // --genes FILE
    std::string missing = "drop";       // --missing drop|fail
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
    ProgressMode progress = ProgressMode::Auto;
    // Output.
    bool gzip = false;
    bool nulls = false;
    std::string write_classic;          // --write-classic DIR
    // The words of the command line, for the run record.
    std::vector<std::string> words;
};

// Parses the words after "scan"; throws RunError(kExitInput, ...) naming a
// bad option, with a hint to `coswitch scan --help`.
ScanOptions parse_scan_options(const std::vector<std::string>& args);

std::string scan_usage_text();

}  // namespace coswitch
