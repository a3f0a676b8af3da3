// summary's reading of pvalue.txt, and everything it makes from a table it
// accepts: the ranked text, the TSV and the heatmap, whose sizes must stay
// bounded by the table's.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "fuzz_check.hpp"
#include "report/heatmap.hpp"
#include "report/pvalue_table.hpp"
#include "report/summary_text.hpp"
#include "report/tsv.hpp"

using namespace coswitch;
using coswitch::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    PairTable t;
    try {
        t = parse_pvalues(text, "pvalue.txt");
    } catch (const RunError& e) {
        coswitch::fuzz::check_diagnostic(e);
        return 0;
    }
    const std::size_t n = static_cast<std::size_t>(t.genes);
    require(n >= 2 && t.rows.size() == n * (n - 1) / 2, "all pairs of n genes");
    std::set<std::pair<int, int>> pairs;
    for (const PairRow& r : t.rows) {
        require(r.i >= 1 && r.i < r.j && r.j <= t.genes, "pair in range");
        require(pairs.emplace(r.i, r.j).second, "pair once");
    }
    adjust(t);
    for (const PairRow& r : t.rows)
        for (double p : {r.p_new_bh, r.p_corr_bh}) require(std::isnan(p) || (p >= 0 && p <= 1), "adjusted p");
    const auto names = number_names(t.genes);
    const std::size_t made = summary_text(t, names, SummaryLayout{}).size() +
                             summary_tsv(t, names).size() + summary_svg(t, names).size();
    require(made <= 20000 + 2000 * t.rows.size(), "output bounded by the table", std::to_string(made));
    return 0;
}
