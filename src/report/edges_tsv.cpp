#include "report/edges_tsv.hpp"

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "report/pairs_tsv.hpp"

namespace coswitch {

const char* const kEdgesHeader =
    "gene1\tgene2\tstat_new\tp_new\tp_new_bh\tr\tphase\tstat_corr\tp_corr_bh\n";

void write_edges_tsv(TextOut& out, const PairResults& r, const RankedPairs&, const Network& net) {
    check_tsv_ids(r.names, out.name());
    out.write(kEdgesHeader);
    std::string line;
    for_each_pair(r, 0, net.edges, [&](const PairValues& v) {
        line = r.names[static_cast<std::size_t>(v.genes.i - 1)];
        line += '\t';
        line += r.names[static_cast<std::size_t>(v.genes.j - 1)];
        line += '\t';
        append_fixed(line, v.stat_new, 8);
        line += '\t';
        append_shortest(line, pooled_pvalue(v.count_new, r.M));
        line += '\t';
        append_significant(line, v.bh_new, kAdjustedDigits);
        line += '\t';
        append_fixed(line, v.r, 8);
        line += '\t';
        line += phase_word(v.phase);
        line += '\t';
        append_fixed(line, v.stat_corr, 8);
        line += '\t';
        append_significant(line, v.bh_corr, kAdjustedDigits);
        line += '\n';
        out.write(line);
    });
}

}  // namespace coswitch
