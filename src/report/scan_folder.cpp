#include "report/scan_folder.hpp"

#include <string>
#include <utility>

#include "io/files.hpp"
#include "io/text_out.hpp"
#include "report/edges_tsv.hpp"
#include "report/network_graphml.hpp"
#include "report/nodes_tsv.hpp"
#include "io/number_text.hpp"
#include "report/pairs_tsv.hpp"
#include "report/report_page.hpp"
#include "report/scan_heatmap.hpp"
#include "report/values_tsv.hpp"

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

// The heatmap as report.html embeds it: the file's SVG without its XML
// declaration, or a note saying why it is not there.
void heatmap_for_page(const NewDirectory& folder, int genes, PageParts& parts) {
    if (genes < 2) return;
    std::string svg = read_whole_file(folder.path("heatmap.svg"), folder.name() + "/heatmap.svg");
    if (svg.size() > kMaxEmbeddedHeatmap) {
        std::string mb;
        append_fixed(mb, static_cast<double>(svg.size()) / (1 << 20), 1);
        parts.heatmap_note = "heatmap.svg in this folder (" + mb +
                             " MB) is too large to embed: open it on its own.";
        return;
    }
    if (svg.compare(0, 5, "<?xml") == 0) svg.erase(0, svg.find('\n') + 1);
    parts.heatmap_svg = std::move(svg);
}

}  // namespace

void write_scan_folder(const NewDirectory& folder, const ScanSettings& o, const ScanInputs& s,
                       const PairResults& r, const RankedPairs& k, const RunRecord& record) {
    write_file_in(folder, o.gzip ? "pairs.tsv.gz" : "pairs.tsv", o.gzip,
                  [&](TextOut& out) { write_pairs_tsv(out, r, k, PairNotes(s.p, s.in)); });
    write_folder_file(folder, "genes.tsv", genes_tsv(s));
    write_folder_file(folder, "design.tsv", s.design_tsv);
    write_file_in(folder, o.gzip ? "values.tsv.gz" : "values.tsv", o.gzip,
                  [&](TextOut& out) { write_values_tsv(out, s); });
    if (s.p.FLAG == 'T') write_folder_file(folder, "time_densities.tsv", time_densities_tsv(s));
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
    PageParts parts;
    parts.top_pairs = o.report_pairs;
    heatmap_for_page(folder, s.p.NGENE, parts);
    write_file_in(folder, "report.html", false,
                  [&](TextOut& out) { write_report_page(out, o, s, r, k, parts); });
    write_folder_file(folder, "run.tsv", run_tsv(o, s, record));
}

}  // namespace coswitch
