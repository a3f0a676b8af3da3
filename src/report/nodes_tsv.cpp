#include "report/nodes_tsv.hpp"

#include "io/number_text.hpp"
#include "report/pairs_tsv.hpp"

namespace coswitch {

const char* const kNodesHeader = "gene\tdegree\tmodule\tmean0\tsd0\tmean1\tsd1\tswitching\n";

void write_nodes_tsv(TextOut& out, const PairResults& r, const Network& net,
                     const std::vector<GeneDensities>& densities) {
    check_tsv_ids(r.names, out.name());
    out.write(kNodesHeader);
    std::string line;
    for (std::size_t g = 0; g < r.names.size(); ++g) {
        line = r.names[g];
        line += '\t';
        line += std::to_string(net.degree[g]);
        line += '\t';
        line += std::to_string(net.module[g]);
        if (densities.empty()) {
            line += "\tNA\tNA\tNA\tNA";
        } else {
            const GeneDensities& d = densities[g];
            for (const double v : {d.mean0, d.sd0, d.mean1, d.sd1}) {
                line += '\t';
                append_shortest(line, v);
            }
        }
        line += r.switching[g] != 0 ? "\tyes\n" : "\tno\n";
        out.write(line);
    }
}

}  // namespace coswitch
