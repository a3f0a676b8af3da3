#pragma once
// The ranked table of pairs that summary prints.
#include <cstddef>
#include <string>
#include <vector>

#include "report/pair_ranking.hpp"
#include "report/pvalue_table.hpp"

namespace coswitch {

// Which pairs the reports keep, and by which statistic they are ranked.
struct PairSelection {
    RankBy by = RankBy::dependence;
    bool fdr_given = false;
    double fdr = 1.0;  // keep the pairs whose adjusted p-value is at most this
};

// The adjusted p-value of the statistic ranked by.
double adjusted_p(const PairRow& r, RankBy by);
// True when r passes the selection's threshold; every pair when there is
// none. A NaN adjusted p-value never passes one.
bool selected(const PairRow& r, const PairSelection& s);
// "dependence" or "correlation".
const char* statistic_word(RankBy by);

// Row indices ranked by the adjusted p-value of the statistic, then the raw
// one, not-a-number last; ties as scan orders them (the other statistic's
// raw p-value, then the gene names, or numbers when names is empty), then
// the order of the rows.
std::vector<std::size_t> ranking(const PairTable& t, RankBy by = RankBy::dependence,
                                 const std::vector<std::string>& names = {});

struct SummaryLayout {
    bool names_given = false;
    int top = 20;
    std::string source = "pvalue.txt";
    std::string bootstrap_line;  // printed after the first line when not empty
    PairSelection selection;
};

// The report on standard output: every line begins with a blank.
std::string summary_text(const PairTable& t, const std::vector<std::string>& names,
                         const SummaryLayout& layout);

}  // namespace coswitch
