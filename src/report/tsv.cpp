#include "report/tsv.hpp"

#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {

std::string summary_tsv(const PairTable& t, const std::vector<std::string>& names,
                        const PairSelection& selection) {
    std::string out =
        "gene1\tgene2\tname1\tname2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\n";
    for (const PairRow& r : t.rows) {
        if (!selected(r, selection)) continue;
        out += std::to_string(r.i) + "\t" + std::to_string(r.j) + "\t" +
               names[static_cast<std::size_t>(r.i - 1)] + "\t" +
               names[static_cast<std::size_t>(r.j - 1)] + "\t" + fixed(r.stat_new, 8) + "\t" +
               fixed(r.p_new, 8) + "\t" + significant(r.p_new_bh, 10) + "\t" +
               fixed(r.stat_corr, 8) + "\t" + fixed(r.p_corr, 8) + "\t" +
               significant(r.p_corr_bh, 10) + "\n";
    }
    return out;
}

}  // namespace coswitch
