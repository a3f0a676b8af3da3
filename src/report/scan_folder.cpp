#include "report/scan_folder.hpp"

#include <string>
#include <utility>

#include "io/files.hpp"
#include "io/text_out.hpp"
#include "report/number_text.hpp"
#include "report/pairs_tsv.hpp"
#include "report/report_page.hpp"
#include "report/scan_heatmap.hpp"
#include "report/values_tsv.hpp"

namespace coswitch {
namespace {

// Genes up to which a heatmap is drawn: beyond, its cells get too small to read.
constexpr int kMaxHeatmapGenes = 300;
// The heatmap as report.html embeds it: the file's SVG without its XML
// declaration, or a note saying why there is none.
void heatmap_for_page(const NewDirectory& folder, int genes, PageParts& parts) {
    if (genes > kMaxHeatmapGenes) {
        parts.heatmap_note = "No heatmap: it is drawn for at most " + std::to_string(kMaxHeatmapGenes) +
                             " kept genes, and this run has " + std::to_string(genes) + ".";
        return;
    }
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
    {
        TextOut out;
        create_in(out, folder, o.gzip ? "pairs.tsv.gz" : "pairs.tsv", o.gzip);
        write_pairs_tsv(out, r, k);
        out.close();
    }
    write_folder_file(folder, "genes.tsv", genes_tsv(s));
    write_folder_file(folder, "design.tsv", s.design_tsv);
    if (s.p.NGENE >= 2 && s.p.NGENE <= kMaxHeatmapGenes) {
        TextOut out;
        create_in(out, folder, "heatmap.svg");
        write_scan_heatmap(out, r, k);
        out.close();
    }
    {
        TextOut out;
        create_in(out, folder, o.gzip ? "values.tsv.gz" : "values.tsv", o.gzip);
        write_values_tsv(out, s);
        out.close();
    }
    if (s.p.FLAG == 'T') write_folder_file(folder, "time_densities.tsv", time_densities_tsv(s));
    {
        PageParts parts;
        parts.top_pairs = o.report_pairs;
        heatmap_for_page(folder, s.p.NGENE, parts);
        TextOut out;
        create_in(out, folder, "report.html");
        write_report_page(out, o, s, r, k, parts);
        out.close();
    }
    write_folder_file(folder, "run.tsv", run_tsv(o, s, record));
}

}  // namespace coswitch
