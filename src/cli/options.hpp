#pragma once
// Command-line options of the analysis. With none, the dialogue asks.
#include <optional>
#include <string>
#include <vector>

#include "analysis/run_data.hpp"

namespace coswitch {

enum class ProgressMode { Auto, Quiet, Plain };

struct Options {
    bool help = false;
    bool version = false;
    std::optional<char> mode;  // 'G' or 'T'
    std::optional<int> ntime, nrep, nboot, ngene;
    std::string directory;     // -C: inputs and results there; empty: here
    int threads = 0;           // 0: the number of available cores
    ProgressMode progress = ProgressMode::Auto;
    NullModel null_model = NullModel::chained;  // --null: the classic rule by default

    // True when the five answers come from options (all or none may be given).
    bool answers_given() const { return mode || ntime || nrep || nboot || ngene; }
};

class OptionWords;
// The options every analysis takes (--threads N, --quiet, --progress): sets
// them when the current word is one of them; false when it is not.
bool take_run_option(OptionWords& a, int& threads, ProgressMode& progress);
// --help (-h) or --version as the current word of a subcommand: prints the
// usage or the version on standard output and returns true; false when the
// word is another.
bool took_help_or_version(OptionWords& a, const char* usage);

// Parses argv[1..]; throws RunError(kExitInput, ...) naming a bad option.
Options parse_options(const std::vector<std::string>& args);

// The run parameters from options: every one of the five must be given and
// within its bound; throws RunError(kExitInput, ...) otherwise.
RunParameters parameters_from_options(const Options& o);

std::string usage_text();
std::string version_text();

}  // namespace coswitch
