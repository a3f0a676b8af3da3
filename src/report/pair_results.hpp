#pragma once
// What a scan hands to its reports: every kept gene's id and, for every
// pair at its position in the pair order, both statistics and their pooled
// counts. A few words per pair, as there may be tens of millions of pairs.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace coswitch {

struct PairResults {
    std::vector<std::string> names;          // gene g is names[g - 1]
    std::vector<std::int8_t> switching;      // gene g at [g - 1]: 1 when it switches
    std::vector<double> stat_new, stat_corr;  // may be NaN or +Inf
    std::vector<double> r;                   // the signed correlation; stat_corr is |r|
    std::vector<std::int8_t> phase;          // +1 in phase, -1 opposite, 0 cannot tell
    // Pooled null values the observed statistic does not exceed.
    std::vector<std::int64_t> count_new, count_corr;
    std::int64_t M = 0;  // pooled null values: bootstrap replicates x pairs

    int genes() const { return static_cast<int>(names.size()); }
    std::int64_t pairs() const { return static_cast<std::int64_t>(stat_new.size()); }
};

// (count + 1) / (M + 1): the observed value counted among its own null
// values, so that a p-value is never 0 and is valid at any M; not-a-number
// when there is no pooled null value.
inline double pooled_pvalue(std::int64_t count, std::int64_t M) {
    if (M <= 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(count + 1) / static_cast<double>(M + 1);
}

// "in", "anti" or "NA".
const char* phase_word(std::int8_t phase);

// Throws std::invalid_argument unless every per-pair vector has one entry
// per pair of the genes, switching one per gene, and every count lies in 0..M.
void check_shape(const PairResults& r);

}  // namespace coswitch
