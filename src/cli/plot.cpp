#include <cstdio>
#include <string>
#include <vector>

#include "cli/option_words.hpp"
#include "cli/options.hpp"
#include "cli/subcommands.hpp"
#include "io/errors.hpp"
#include "io/new_file.hpp"
#include "report/folder_pair.hpp"
#include "report/pair_panel.hpp"

namespace coswitch {
namespace {

const char* const kPlotUsage = R"(Usage: coswitch plot DIR GENE1 GENE2 [-o FILE.svg]

Draws one pair of a finished scan folder DIR as an SVG panel: both genes'
values over time (a line per replicate) with each gene's two fitted state
means, and below, per replicate, the joint state (00, 01, 10, 11) as the
pair's fitted chain infers it at each time point, with the pair's figures.
Only this pair is fitted again, from the folder's values.tsv and densities;
its p-values, adjusted p-values, phase and rank are those of pairs.tsv. For
a pair among the top pairs of report.html the file is the very panel the
page shows.

GENE1, GENE2: kept genes of the scan, ids exactly as genes.tsv writes them
(case too); an unknown id is an error that names the closest ids. The panel
shows the two in the run's order (as pairs.tsv does), whichever comes first.

  -o, --output FILE    write the SVG to FILE, which must not exist; without
                       it the SVG goes to standard output, e.g.
                       coswitch plot results geneA geneB > geneA-geneB.svg
  -h, --help           this text
  --version            the program's version
)";

}  // namespace

int plot_main(const std::vector<std::string>& args) {
    OptionWords a(args, "plot");
    std::vector<std::string> words;
    std::string output;
    while (a.next()) {
        const std::string& n = a.name();
        if (took_help_or_version(a, kPlotUsage)) {
            return kExitOk;
        } else if (n == "-o" || n == "--output") {
            output = a.nonempty_value("a file name");
        } else if (!n.empty() && n[0] != '-' && words.size() < 3) {
            words.push_back(n);
        } else {
            a.reject();
        }
    }
    if (words.size() < 3)
        a.fail("give the scan's folder and two gene ids: coswitch plot DIR GENE1 GENE2");
    // The file is claimed first, so that a taken name fails before any work.
    NewFile file;
    if (!output.empty()) file.open(output, output);
    const std::string svg = pair_panel_svg(read_folder_pair(words[0], words[1], words[2]));
    if (output.empty()) {
        std::fwrite(svg.data(), 1, svg.size(), stdout);
        return kExitOk;
    }
    file.write(svg);
    file.commit();
    return kExitOk;
}

}  // namespace coswitch
