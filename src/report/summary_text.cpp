#include "report/summary_text.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {

double adjusted_p(const PairRow& r, RankBy by) {
    return by == RankBy::correlation ? r.p_corr_bh : r.p_new_bh;
}

bool selected(const PairRow& r, const PairSelection& s) {
    return !s.fdr_given || adjusted_p(r, s.by) <= s.fdr;
}

const char* statistic_word(RankBy by) {
    return by == RankBy::correlation ? "correlation" : "dependence";
}

std::vector<std::size_t> ranking(const PairTable& t, RankBy by, const std::vector<std::string>& names) {
    const bool corr = by == RankBy::correlation;
    double PairRow::*const adjusted = corr ? &PairRow::p_corr_bh : &PairRow::p_new_bh;
    double PairRow::*const raw = corr ? &PairRow::p_corr : &PairRow::p_new;
    double PairRow::*const other = corr ? &PairRow::p_new : &PairRow::p_corr;
    std::vector<std::size_t> order(t.rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Smaller first, not-a-number after every number; equal keys keep row order.
    auto before = [](double a, double b, bool& decided) {
        decided = true;
        if (std::isnan(a) != std::isnan(b)) return std::isnan(b);
        if (!std::isnan(a) && a != b) return a < b;
        decided = false;
        return false;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const PairRow& a = t.rows[x];
        const PairRow& b = t.rows[y];
        bool decided = false;
        bool r = before(a.*adjusted, b.*adjusted, decided);
        if (decided) return r;
        r = before(a.*raw, b.*raw, decided);
        if (decided) return r;
        r = before(a.*other, b.*other, decided);
        if (decided) return r;
        return compare_gene_names(names, {a.i, a.j}, {b.i, b.j}) < 0;
    });
    return order;
}

std::string summary_text(const PairTable& t, const std::vector<std::string>& names,
                         const SummaryLayout& layout) {
    const PairSelection& sel = layout.selection;
    std::size_t tested_new = 0, tested_corr = 0, passing = 0;
    for (const PairRow& r : t.rows) {
        if (!std::isnan(r.p_new)) ++tested_new;
        if (!std::isnan(r.p_corr)) ++tested_corr;
        if (selected(r, sel)) ++passing;
    }
    const std::string source = layout.source;
    std::string out = " " + source + ": " + std::to_string(t.rows.size()) + " gene pairs of " +
                      std::to_string(t.genes) + " genes\n";
    out += layout.bootstrap_line;
    out += " Benjamini-Hochberg adjustment over " + std::to_string(tested_new) +
           " dependence and " + std::to_string(tested_corr) +
           " correlation p-values (NaN ones are not counted)\n";
    out += " a p-value of 0 is below 1/M, M = bootstrap replicates x gene pairs\n";
    if (t.too_large > 0)
        out += " note: " + std::to_string(t.too_large) +
               (t.too_large == 1 ? " statistic was" : " statistics were") +
               " too large for its field in " + source +
               " (100000 or more) and are taken as Inf\n";
    const std::string word = statistic_word(sel.by);
    if (sel.fdr_given)
        out += " " + std::to_string(passing) + " of " + std::to_string(t.rows.size()) +
               " pairs have an adjusted " + word + " p-value of at most " +
               shortest_text(sel.fdr) + "\n";
    const std::size_t shown = std::min(passing, static_cast<std::size_t>(std::max(layout.top, 0)));
    if (shown == 0) return out;
    out += " top " + std::to_string(shown) + " of " + (sel.fdr_given ? "these " : "") +
           std::to_string(passing) + " pairs by adjusted " + word + " p-value:\n";
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> head = {"rank", "gene1", "gene2"};
    if (layout.names_given) head.insert(head.end(), {"name1", "name2"});
    head.insert(head.end(), {"stat_new", "p_new", "p_new_bh", "stat_corr", "p_corr", "p_corr_bh"});
    cells.push_back(head);
    // Passing pairs form a prefix of the ranking: the threshold is on its key.
    const std::vector<std::size_t> order =
        ranking(t, sel.by, layout.names_given ? names : std::vector<std::string>{});
    for (std::size_t k = 0; k < shown; ++k) {
        const PairRow& r = t.rows[order[k]];
        std::vector<std::string> row = {std::to_string(k + 1), std::to_string(r.i),
                                        std::to_string(r.j)};
        if (layout.names_given)
            row.insert(row.end(), {names[static_cast<std::size_t>(r.i - 1)],
                                   names[static_cast<std::size_t>(r.j - 1)]});
        row.insert(row.end(), {fixed(r.stat_new, 4), fixed(r.p_new, 6), fixed(r.p_new_bh, 6),
                               fixed(r.stat_corr, 4), fixed(r.p_corr, 6), fixed(r.p_corr_bh, 6)});
        cells.push_back(row);
    }
    std::vector<bool> left(head.size(), false);
    if (layout.names_given) left[3] = left[4] = true;
    return out + aligned(cells, left);
}

}  // namespace coswitch
