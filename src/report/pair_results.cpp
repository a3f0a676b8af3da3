#include "report/pair_results.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace coswitch {
namespace {

// Correlations given pair by pair, with the positions their counts are at.
class GivenCorrelation final : public CorrelationSource {
public:
    GivenCorrelation(std::vector<double> r, std::vector<std::size_t> position)
        : r_(std::move(r)), position_(std::move(position)) {}
    CorrelationAt at(std::int64_t n, GenePair) const override {
        const auto u = static_cast<std::size_t>(n);
        return {r_[u], position_[u]};
    }

private:
    std::vector<double> r_;
    std::vector<std::size_t> position_;
};

// Counts by position from the counts themselves, ascending: what tallies
// give them. The nulls beyond the last one reach no observed value.
NullCounts counts_of(const std::vector<std::int64_t>& ascending, std::int64_t M) {
    const std::size_t n = ascending.size();
    NullCounts counts(n, PackedTallies::bits_for(n > 0 ? static_cast<double>(M) / static_cast<double>(n) : 1.0));
    std::int64_t before = 0;
    for (std::size_t q = 0; q < n; ++q) {
        counts.tallies().add_value(q, static_cast<std::uint64_t>(ascending[q] - before));
        before = ascending[q];
    }
    counts.tallies().add_value(n, static_cast<std::uint64_t>(M - before));
    counts.finish();
    return counts;
}

// Pair positions ordered by count, then by the pair order.
std::vector<std::size_t> by_count(const std::vector<std::int64_t>& count) {
    std::vector<std::size_t> order(count.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return count[a] < count[b]; });
    return order;
}

// Largest first, NaN last, then by the pair order.
std::vector<std::size_t> by_size(const std::vector<double>& v) {
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (std::isnan(v[a]) || std::isnan(v[b])) return !std::isnan(v[a]) && std::isnan(v[b]);
        return v[a] > v[b];
    });
    return order;
}

constexpr std::int64_t kPairBlock = 4096;

}  // namespace

const char* phase_word(std::int8_t phase) {
    return phase > 0 ? "in" : phase < 0 ? "anti" : "NA";
}

PairResults pair_results(const PlainPairs& plain) {
    const std::size_t n = static_cast<std::size_t>(pair_count(static_cast<std::int64_t>(plain.names.size())));
    if (plain.stat_new.size() != n || plain.r.size() != n || plain.phase.size() != n ||
        plain.count_new.size() != n || plain.count_corr.size() != n ||
        plain.switching.size() != plain.names.size() || plain.M < 0)
        throw std::invalid_argument("pair results do not match their genes");
    if (plain.M > 0)
        for (const auto* counts : {&plain.count_new, &plain.count_corr})
            for (std::int64_t c : *counts)
                if (c < 0 || c > plain.M) throw std::invalid_argument("a pooled count outside 0..M");
    PairResults r;
    r.names = plain.names;
    r.switching = plain.switching;
    r.M = plain.M;

    std::vector<double> abs_r(n);
    for (std::size_t k = 0; k < n; ++k) abs_r[k] = std::fabs(plain.r[k]);
    const bool counted = plain.M > 0;
    const std::vector<std::size_t> new_order = counted ? by_count(plain.count_new) : by_size(plain.stat_new);
    const std::vector<std::size_t> corr_order = counted ? by_count(plain.count_corr) : by_size(abs_r);
    std::vector<std::int64_t> ascending(n);
    r.records.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t u = new_order[k];
        r.records[k] = {plain.stat_new[u], make_meta(static_cast<std::uint32_t>(u), plain.phase[u])};
        ascending[k] = counted ? plain.count_new[u] : 0;
    }
    r.counts_new = counts_of(ascending, plain.M);
    std::vector<std::size_t> position(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t u = corr_order[k];
        ascending[k] = counted ? plain.count_corr[u] : 0;
        // Without counts the position orders the pairs: equal values share one.
        if (counted || k == 0)
            position[u] = k;
        else if (std::isnan(abs_r[u]))
            position[u] = n - 1;
        else
            position[u] = abs_r[u] == abs_r[corr_order[k - 1]] ? position[corr_order[k - 1]] : k;
    }
    r.counts_corr = counts_of(ascending, plain.M);
    r.correlation = std::make_shared<GivenCorrelation>(plain.r, std::move(position));
    return r;
}

void for_each_pair(const PairResults& r, std::int64_t first, std::int64_t last,
                   const std::function<void(const PairValues&)>& take,
                   const std::function<bool(std::int64_t position, const CorrelationAt&)>& keep) {
    const int genes = r.genes();
    std::array<std::int64_t, kPairBlock> counts;
    std::array<double, kPairBlock> adjusted;
    for (std::int64_t a = first; a < last; a += kPairBlock) {
        const std::int64_t b = std::min(last, a + kPairBlock);
        r.counts_new.values(static_cast<std::size_t>(a), static_cast<std::size_t>(b), counts.data(),
                            adjusted.data());
        for (std::int64_t q = a; q < b; ++q) {
            const ObservedRecord rec = r.records[static_cast<std::size_t>(q)];
            PairValues v;
            v.position = q;
            v.n = meta_value(rec.meta);
            v.genes = pair_at(v.n, genes);
            const CorrelationAt c = r.correlation->at(v.n, v.genes);
            if (keep && !keep(q, c)) continue;
            v.stat_new = rec.stat;
            v.count_new = counts[static_cast<std::size_t>(q - a)];
            v.bh_new = adjusted[static_cast<std::size_t>(q - a)];
            v.phase = meta_phase(rec.meta);
            v.r = c.r;
            v.corr_position = c.position;
            v.stat_corr = std::fabs(c.r);
            v.count_corr = r.counts_corr.count(c.position);
            v.bh_corr = r.counts_corr.adjusted(c.position);
            take(v);
        }
    }
}

PairValues values_of_pair(const PairResults& r, std::int64_t n) {
    for (std::size_t q = 0; q < r.records.size(); ++q)
        if (meta_value(r.records[q].meta) == static_cast<std::uint64_t>(n)) {
            PairValues v;
            for_each_pair(r, static_cast<std::int64_t>(q), static_cast<std::int64_t>(q) + 1,
                          [&](const PairValues& found) { v = found; });
            return v;
        }
    throw std::invalid_argument("no pair " + std::to_string(n));
}

std::int64_t pairs_below_new(const PairResults& r, double level, bool inclusive) {
    return static_cast<std::int64_t>(r.counts_new.leading_adjusted(level, inclusive));
}

std::int64_t pairs_below_corr(const PairResults& r, double level, bool inclusive) {
    return static_cast<std::int64_t>(r.counts_corr.leading_adjusted(level, inclusive));
}

}  // namespace coswitch
