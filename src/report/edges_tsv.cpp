#include "report/edges_tsv.hpp"

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "report/pairs_tsv.hpp"

namespace coswitch {

const char* const kEdgesHeader =
    "gene1\tgene2\tstat_new\tp_new\tp_new_bh\tr\tphase\tstat_corr\tp_corr_bh\n";

void write_edges_tsv(TextOut& out, const PairResults& r, const RankedPairs& k, const Network& net) {
    check_tsv_ids(r.names, out.name());
    out.write(kEdgesHeader);
    std::string line;
    for (std::int64_t rank = 0; rank < net.edges; ++rank) {
        const std::int64_t n = k.order[static_cast<std::size_t>(rank)];
        const auto u = static_cast<std::size_t>(n);
        const GenePair g = pair_at(n, r.genes());
        line = r.names[static_cast<std::size_t>(g.i - 1)];
        line += '\t';
        line += r.names[static_cast<std::size_t>(g.j - 1)];
        line += '\t';
        append_fixed(line, r.stat_new[u], 8);
        line += '\t';
        append_shortest(line, pooled_pvalue(r.count_new[u], r.M));
        line += '\t';
        append_significant(line, k.bh_new[u], kAdjustedDigits);
        line += '\t';
        append_fixed(line, r.r[u], 8);
        line += '\t';
        line += phase_word(r.phase[u]);
        line += '\t';
        append_fixed(line, r.stat_corr[u], 8);
        line += '\t';
        append_significant(line, k.bh_corr[u], kAdjustedDigits);
        line += '\n';
        out.write(line);
    }
}

}  // namespace coswitch
