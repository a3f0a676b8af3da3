#pragma once
// Options of `coswitch scan`.
#include <string>
#include <vector>

#include "cli/options.hpp"
#include "scan/settings.hpp"

namespace coswitch {

// The settings of the run, and what only the command line has.
struct ScanOptions : ScanSettings {
    bool help = false;
    bool version = false;
    std::string output;  // -o: the folder to create
    ProgressMode progress = ProgressMode::Auto;
    bool dry_run = false;  // the plan alone: no pair, no folder
    bool force = false;    // run even when the plan does not fit in memory
    // The words of the command line, for the run record.
    std::vector<std::string> words;
};

// Parses the words after "scan"; throws RunError(kExitInput, ...) naming a
// bad option, with a hint to `coswitch scan --help`.
ScanOptions parse_scan_options(const std::vector<std::string>& args);

std::string scan_usage_text();

}  // namespace coswitch
