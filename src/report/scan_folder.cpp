#include "report/scan_folder.hpp"

#include "io/text_out.hpp"
#include "report/edges_tsv.hpp"
#include "report/network_graphml.hpp"
#include "report/nodes_tsv.hpp"
#include "report/pairs_tsv.hpp"
#include "report/scan_heatmap.hpp"

namespace coswitch {
namespace {

// A file written piece by piece; its close is checked.
template <class Write>
void write_file_in(const NewDirectory& folder, const std::string& file, bool gzip, Write write) {
    TextOut out;
    create_in(out, folder, file, gzip);
    write(out);
    out.close();
}

}  // namespace

void write_scan_folder(const NewDirectory& folder, const ScanSettings& o, const ScanInputs& s,
                       const PairResults& r, const RankedPairs& k, const RunRecord& record) {
    write_file_in(folder, o.gzip ? "pairs.tsv.gz" : "pairs.tsv", o.gzip,
                  [&](TextOut& out) { write_pairs_tsv(out, r, k); });
    write_folder_file(folder, "genes.tsv", genes_tsv(s));
    write_folder_file(folder, "design.tsv", s.design_tsv);
    if (s.p.NGENE >= 2)
        write_file_in(folder, "heatmap.svg", false,
                      [&](TextOut& out) { write_scan_heatmap(out, r, k, heatmap_genes(r, k)); });
    const Network net = network_of(r, k, o.fdr);
    const std::vector<GeneDensities> densities = kept_gene_densities(s);
    write_file_in(folder, o.gzip ? "edges.tsv.gz" : "edges.tsv", o.gzip,
                  [&](TextOut& out) { write_edges_tsv(out, r, k, net); });
    write_file_in(folder, "nodes.tsv", false,
                  [&](TextOut& out) { write_nodes_tsv(out, r, net, densities); });
    write_file_in(folder, "network.graphml", false,
                  [&](TextOut& out) { write_network_graphml(out, r, k, net, densities); });
    write_folder_file(folder, "run.tsv", run_tsv(o, s, record));
}

}  // namespace coswitch
