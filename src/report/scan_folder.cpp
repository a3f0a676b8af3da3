#include "report/scan_folder.hpp"

#include <string>
#include <utility>

#include "io/errors.hpp"
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

PairsChoice pairs_choice_of(const ScanSettings& o, std::int64_t pairs) {
    if (o.pairs.empty()) return default_pairs_choice(pairs, o.all_pairs_up_to);
    const std::size_t blank = o.pairs.find(' ');
    PairsChoice c;
    if (!parse_pairs_choice(o.pairs.substr(0, blank), blank == std::string::npos ? "" : o.pairs.substr(blank + 1), c))
        throw RunError(kExitInput, "pairs: \"" + o.pairs + "\" is not one of all, fdr Q (0 to 1), top N");
    return c;
}

std::string pairs_written_text(const PairsWritten& w, std::int64_t pairs) {
    const PairsChoice& c = w.choice;
    std::string text = " pairs.tsv: ";
    switch (c.rule) {
        case PairsChoice::Rule::all:
            text += "all " + std::to_string(w.rows) + " pairs";
            break;
        case PairsChoice::Rule::fdr:
            text += std::to_string(w.rows) + " of " + std::to_string(pairs) +
                    " pairs, those with an adjusted p-value of at most " + shortest_text(c.fdr) +
                    " by either statistic";
            break;
        case PairsChoice::Rule::top:
            text += "the best " + std::to_string(w.rows) + " of " + std::to_string(pairs) +
                    " pairs by dependence p-value";
            break;
    }
    if (c.by_default)
        text += c.rule == PairsChoice::Rule::all
                    ? " (the default up to " + std::to_string(c.all_up_to) + " pairs)"
                    : " (the default above " + std::to_string(c.all_up_to) + " pairs; --pairs all writes every one)";
    return text + "\n";
}

PairsWritten write_scan_folder(const NewDirectory& folder, const ScanSettings& o, const ScanInputs& s,
                               const PairResults& r, const RankedPairs& k, const RunRecord& given) {
    PairsWritten written;
    written.choice = pairs_choice_of(o, r.pairs());
    RunRecord record = given;
    write_file_in(folder, o.gzip ? "pairs.tsv.gz" : "pairs.tsv", o.gzip,
                  [&](TextOut& out) {
                      written.rows = write_pairs_tsv(out, r, k, written.choice, PairNotes(s.p, s.in));
                  });
    record.pairs_rule = pairs_choice_words(written.choice);
    record.pairs_rows = written.rows;
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
    return written;
}

}  // namespace coswitch
