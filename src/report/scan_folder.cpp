#include "report/scan_folder.hpp"

#include "io/text_out.hpp"
#include "report/pairs_tsv.hpp"
#include "report/scan_heatmap.hpp"

namespace coswitch {

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
    if (s.p.NGENE >= 2) {
        TextOut out;
        create_in(out, folder, "heatmap.svg");
        write_scan_heatmap(out, r, k, heatmap_genes(r, k));
        out.close();
    }
    write_folder_file(folder, "run.tsv", run_tsv(o, s, record));
}

}  // namespace coswitch
