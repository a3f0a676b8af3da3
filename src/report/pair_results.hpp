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
    std::vector<double> stat_new, stat_corr;  // may be NaN or +Inf
    // Pooled null values the observed statistic does not exceed.
    std::vector<std::int64_t> count_new, count_corr;
    std::int64_t M = 0;  // pooled null values: bootstrap replicates x pairs

    int genes() const { return static_cast<int>(names.size()); }
    std::int64_t pairs() const { return static_cast<std::int64_t>(stat_new.size()); }
};

// count / M; not-a-number when there is no pooled null value.
inline double pooled_pvalue(std::int64_t count, std::int64_t M) {
    if (M <= 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(count) / static_cast<double>(M);
}

// Throws std::invalid_argument unless every per-pair vector has one entry
// per pair of the genes and every count lies in 0..M.
void check_shape(const PairResults& r);

}  // namespace coswitch
