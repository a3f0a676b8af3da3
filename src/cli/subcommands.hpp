#pragma once
// Commands around the analysis: estimating the state densities from the data
// and summarising the results for reading.
#include <string>
#include <vector>

namespace coswitch {
// Each takes the arguments after its name and returns the exit status.
// The classic run: the dialogue (or its options), then the analysis.
int classic_main(const std::vector<std::string>& args);
int fit_main(const std::vector<std::string>& args);
int summary_main(const std::vector<std::string>& args);
// A named expression table, analysed into a folder of results.
int scan_main(const std::vector<std::string>& args);
// A simulated experiment with a known answer: table, truth and densities.
int simulate_main(const std::vector<std::string>& args);
// One pair of a finished scan folder drawn as its panel (SVG).
int plot_main(const std::vector<std::string>& args);
}  // namespace coswitch
