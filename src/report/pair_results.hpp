#pragma once
// What a scan hands to its reports: every kept gene's id and every pair's
// statistics and pooled counts, in a few bytes a pair, as there may be
// hundreds of millions of pairs. A pair is a 12-byte record (its dependence
// statistic, its position in the pair order and its phase), kept in the
// order of its dependence count; its counts and adjusted p-values are read
// by position from the tallies of the null values. Its correlation is
// found again when wanted, with its position among all the correlations
// that the correlation's counts are read by.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/null_counts.hpp"
#include "engine/observed_records.hpp"
#include "engine/pair_order.hpp"
#include "engine/pooled_pvalue.hpp"

namespace coswitch {

// A pair's signed correlation, and the position its magnitude has among
// every pair's, largest first: the position of its counts.
struct CorrelationAt {
    double r = 0;
    std::size_t position = 0;
};

// Where the correlations come from: computed again from the genes' values
// in a scan, given outright elsewhere. Safe from several threads at once.
class CorrelationSource {
public:
    virtual ~CorrelationSource() = default;
    // Pair n of the pair order, genes g.
    virtual CorrelationAt at(std::int64_t n, GenePair g) const = 0;
};

struct PairResults {
    std::vector<std::string> names;      // gene g is names[g - 1]
    std::vector<std::int8_t> switching;  // gene g at [g - 1]: 1 when it switches
    std::int64_t M = 0;  // pooled null values: bootstrap replicates x pairs
    // Every pair; the count of the dependence statistic never falls from one
    // record to the next (with M = 0, the statistic never rises, NaN last).
    // rank_pairs orders each run of equal counts, and then this is the
    // ranking.
    std::vector<ObservedRecord> records;
    NullCounts counts_new;   // by position in records
    NullCounts counts_corr;  // by CorrelationAt::position
    std::shared_ptr<const CorrelationSource> correlation;
    bool ranked = false;

    int genes() const { return static_cast<int>(names.size()); }
    std::int64_t pairs() const { return static_cast<std::int64_t>(records.size()); }
};

// Every value of one pair, as the reports show it.
struct PairValues {
    std::int64_t position = 0;  // in records: the rank - 1 once ranked
    std::int64_t n = 0;         // in the pair order
    GenePair genes;
    double stat_new = 0;
    std::int64_t count_new = 0;
    double bh_new = 0;     // Benjamini-Hochberg over every pair
    double r = 0;          // signed; stat_corr is |r|
    double stat_corr = 0;  // may be NaN
    std::int64_t count_corr = 0;
    double bh_corr = 0;
    std::size_t corr_position = 0;  // of the correlation's counts
    std::int8_t phase = 0;  // +1 in phase, -1 opposite, 0 cannot tell
};

// The values of records [first, last), in order, to take(values); a block
// at a time, safe from several threads at once. With `keep`, only the
// records it keeps, asked with their position and correlation (the rest
// costs little then).
void for_each_pair(const PairResults& r, std::int64_t first, std::int64_t last,
                   const std::function<void(const PairValues&)>& take,
                   const std::function<bool(std::int64_t position, const CorrelationAt&)>& keep = {});

// The values of the pair at position n of the pair order: a scan of every
// record, for checks.
PairValues values_of_pair(const PairResults& r, std::int64_t n);

// Pairs whose adjusted p-value is below level (at most level when
// inclusive): a prefix of the ranking for the dependence statistic.
std::int64_t pairs_below_new(const PairResults& r, double level, bool inclusive = false);
std::int64_t pairs_below_corr(const PairResults& r, double level, bool inclusive = false);

// Whether a pair's correlation p-value is adjusted below the level that
// pairs_below_corr counts for, given its correlation position: those are
// the first pairs_below_corr positions.
inline bool corr_below(std::size_t position, std::int64_t below) {
    return static_cast<std::int64_t>(position) < below;
}

// "in", "anti" or "NA".
const char* phase_word(std::int8_t phase);

// Every pair's values given outright, in the pair order (a test's or a
// small table's): what pair_results builds the records and tallies from.
struct PlainPairs {
    std::vector<std::string> names;
    std::vector<std::int8_t> switching;
    std::vector<double> stat_new;  // may be NaN or +Inf
    std::vector<double> r;         // |r| is the correlation statistic
    std::vector<std::int8_t> phase;
    // Pooled null values the observed statistic does not exceed; not read
    // when M is 0.
    std::vector<std::int64_t> count_new, count_corr;
    std::int64_t M = 0;
};

// Throws std::invalid_argument unless every per-pair vector has one entry
// per pair of the genes, switching one per gene, and every count lies in
// 0..M (when M is above 0).
PairResults pair_results(const PlainPairs& plain);

}  // namespace coswitch
