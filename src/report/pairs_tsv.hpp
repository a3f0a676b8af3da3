#pragma once
// pairs.tsv: the pairs, ranked, as a tab-separated table for R or pandas:
// every pair, or those that pass an adjusted p-value, or the best N.
#include <cstdint>
#include <string>
#include <vector>

#include "io/text_out.hpp"
#include "report/pair_notes.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

extern const char* const kPairsHeader;

// Which pairs pairs.tsv holds: all of them; those whose adjusted p-value is
// at most `fdr` by either statistic; or the `top` best by the dependence
// p-value. Ranks and adjusted values are always those over every pair.
struct PairsChoice {
    enum class Rule { all, fdr, top };
    Rule rule = Rule::all;
    double fdr = 0.25;
    std::int64_t top = 0;
    bool by_default = false;     // the rule is the default for the run's size,
    std::int64_t all_up_to = 0;  // every pair up to this many, when it is
};

// Every pair up to this many pairs; above, those at an adjusted p of at
// most kDefaultPairsFdr by either statistic.
inline constexpr std::int64_t kDefaultAllPairs = 1000000;
inline constexpr double kDefaultPairsFdr = 0.25;

// The rule when none is asked for: every pair up to `all_up_to` pairs, the
// pairs passing kDefaultPairsFdr above.
PairsChoice default_pairs_choice(std::int64_t pairs, std::int64_t all_up_to = kDefaultAllPairs);

// "all", "fdr 0.25", "top 1000", as the option takes it.
std::string pairs_choice_words(const PairsChoice& c);

// Reads the option's words ("all", "fdr Q", "top N"); false when they are
// not one of these.
bool parse_pairs_choice(const std::string& rule, const std::string& value, PairsChoice& out);

// A RunError(kExitInput, ...) naming file and the first id that would break
// a tab-separated table (a tab or a line break).
void check_tsv_ids(const std::vector<std::string>& names, const std::string& file);

// A header row, then one row per chosen pair in rank order. Statistics have
// 8 decimals; p-values the shortest text that reads back as the same
// double, so equal counts give equal text; adjusted values 6 significant
// digits. Rows are formatted in blocks on k.threads threads and written in
// order. A gene id that would break the table (a tab or a line break) is a
// RunError(kExitInput, ...) before anything is written. With active notes a
// last column, note, says why a value is not a number. Returns the rows.
std::int64_t write_pairs_tsv(TextOut& out, const PairResults& r, const RankedPairs& k,
                             const PairsChoice& choice = {}, const PairNotes& notes = {});

// The row of a pair, without its line end: the text other reports read
// back, so that they show what the table does.
std::string pair_row(const PairResults& r, const PairValues& v);

}  // namespace coswitch
