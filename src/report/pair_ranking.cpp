#include "report/pair_ranking.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "engine/threads.hpp"

namespace coswitch {
namespace {

// Runs of equal counts up to this many pairs are ordered from a copy of
// their keys, a thread's fixed share of memory; longer ones in place.
constexpr std::size_t kBuffered = std::size_t{1} << 16;

struct Keyed {
    std::int64_t key = 0;
    GenePair genes;
    std::uint32_t n = 0;
    std::uint32_t from = 0;
};

// -1, 0 or 1 as a is better than, as good as or worse than b: larger first, NaN last.
int by_size(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) - std::isnan(b);
    return a > b ? -1 : a < b ? 1 : 0;
}

// Orders runs of records of one dependence count by the correlation's
// count (by its position, which orders its magnitude, when M is 0), then
// the gene names, then the pair order.
class RunSorter {
public:
    explicit RunSorter(PairResults& r) : r_(r), genes_(r.genes()), counted_(r.M > 0) {}

    void sort(std::size_t first, std::size_t last) {
        if (last - first < 2) return;
        if (last - first <= kBuffered) {
            sort_buffered(first, last);
            return;
        }
        // Three ways around a middle key, each record's key found once a pass.
        std::vector<ObservedRecord>& rec = r_.records;
        const std::int64_t a = key(rec[first]), b = key(rec[first + (last - first) / 2]), c = key(rec[last - 1]);
        const std::int64_t pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        std::size_t lt = first, i = first, gt = last;
        while (i < gt) {
            const std::int64_t k = key(rec[i]);
            if (k < pivot)
                std::swap(rec[lt++], rec[i++]);
            else if (k > pivot)
                std::swap(rec[i], rec[--gt]);
            else
                ++i;
        }
        sort(first, lt);
        sort(gt, last);
        std::sort(rec.begin() + static_cast<std::ptrdiff_t>(lt), rec.begin() + static_cast<std::ptrdiff_t>(gt),
                  [&](const ObservedRecord& x, const ObservedRecord& y) {
                      const std::uint32_t nx = meta_value(x.meta), ny = meta_value(y.meta);
                      if (const int d = compare_gene_names(r_.names, pair_at(nx, genes_), pair_at(ny, genes_)))
                          return d < 0;
                      return nx < ny;
                  });
    }

private:
    std::int64_t key(const ObservedRecord& rec) const {
        const std::uint32_t n = meta_value(rec.meta);
        return key(n, pair_at(n, genes_));
    }
    std::int64_t key(std::uint32_t n, GenePair g) const {
        const CorrelationAt c = r_.correlation->at(n, g);
        return counted_ ? r_.counts_corr.count(c.position) : static_cast<std::int64_t>(c.position);
    }

    void sort_buffered(std::size_t first, std::size_t last) {
        keyed_.resize(last - first);
        for (std::size_t k = 0; k < keyed_.size(); ++k) {
            Keyed& e = keyed_[k];
            e.n = meta_value(r_.records[first + k].meta);
            e.genes = pair_at(e.n, genes_);
            e.key = key(e.n, e.genes);
            e.from = static_cast<std::uint32_t>(k);
        }
        std::sort(keyed_.begin(), keyed_.end(), [&](const Keyed& x, const Keyed& y) {
            if (x.key != y.key) return x.key < y.key;
            if (const int d = compare_gene_names(r_.names, x.genes, y.genes)) return d < 0;
            return x.n < y.n;
        });
        copy_.assign(r_.records.begin() + static_cast<std::ptrdiff_t>(first),
                     r_.records.begin() + static_cast<std::ptrdiff_t>(last));
        for (std::size_t k = 0; k < keyed_.size(); ++k) r_.records[first + k] = copy_[keyed_[k].from];
    }

    PairResults& r_;
    const int genes_;
    const bool counted_;
    std::vector<Keyed> keyed_;
    std::vector<ObservedRecord> copy_;
};

}  // namespace

int compare_gene_names(const std::vector<std::string>& names, GenePair a, GenePair b) {
    if (names.empty()) return a.i != b.i ? (a.i < b.i ? -1 : 1) : (a.j > b.j) - (a.j < b.j);
    const auto name = [&](int g) -> const std::string& { return names[static_cast<std::size_t>(g - 1)]; };
    if (const int first = name(a.i).compare(name(b.i))) return first;
    return name(a.j).compare(name(b.j));
}

RankedPairs rank_pairs(PairResults& r, int threads) {
    RankedPairs k;
    k.threads = threads > 0 ? threads : available_cores();
    const std::size_t n = r.records.size();
    // A run of one count begins where the count rises (with M = 0, where
    // the statistic changes).
    const bool counted = r.M > 0;
    auto begins = [&](std::size_t q) {
        if (q == 0) return true;
        if (counted) return r.counts_new.rises_at(q);
        return by_size(r.records[q - 1].stat, r.records[q].stat) != 0;
    };
    // Pieces of the records go to the threads; a run belongs to the piece it begins in.
    const std::size_t pieces = std::max<std::size_t>(1, std::min<std::size_t>(n / 4096, 4 * static_cast<std::size_t>(k.threads)));
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        RunSorter sorter(r);
        for (;;) {
            const std::size_t piece = next.fetch_add(1);
            if (piece >= pieces) return;
            const std::size_t lo = n * piece / pieces, hi = n * (piece + 1) / pieces;
            std::size_t q = lo;
            while (q < hi && !begins(q)) ++q;
            while (q < hi) {
                std::size_t end = q + 1;
                while (end < n && !begins(end)) ++end;
                sorter.sort(q, end);
                q = end;
            }
        }
    };
    run_with_helpers(std::min<int>(k.threads, static_cast<int>(pieces)) - 1, {}, [&](int) { work(); },
                     [&](int) { work(); });
    r.ranked = true;
    return k;
}

std::vector<std::int64_t> ranking_order(const PairResults& r, RankBy by) {
    const auto n = static_cast<std::size_t>(r.pairs());
    std::vector<double> stat_new(n), stat_corr(n);
    std::vector<std::int64_t> count_new(n), count_corr(n);
    for_each_pair(r, 0, r.pairs(), [&](const PairValues& v) {
        const auto u = static_cast<std::size_t>(v.n);
        stat_new[u] = v.stat_new;
        stat_corr[u] = v.stat_corr;
        count_new[u] = v.count_new;
        count_corr[u] = v.count_corr;
    });
    const bool dep = by == RankBy::dependence;
    const auto& stat = dep ? stat_new : stat_corr;
    const auto& other_stat = dep ? stat_corr : stat_new;
    const auto& count = dep ? count_new : count_corr;
    const auto& other_count = dep ? count_corr : count_new;
    std::vector<std::int64_t> order(n);
    for (std::size_t k = 0; k < n; ++k) order[k] = static_cast<std::int64_t>(k);
    // Every p-value is NaN or none is; among numbers the count orders them.
    const bool by_count = r.M > 0;
    const int genes = r.genes();
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (by_count) {
            if (count[ua] != count[ub]) return count[ua] < count[ub];
            if (other_count[ua] != other_count[ub]) return other_count[ua] < other_count[ub];
        } else {
            if (const int c = by_size(stat[ua], stat[ub])) return c < 0;
            if (const int c = by_size(other_stat[ua], other_stat[ub])) return c < 0;
        }
        if (const int c = compare_gene_names(r.names, pair_at(a, genes), pair_at(b, genes)))
            return c < 0;
        return a < b;
    });
    return order;
}

}  // namespace coswitch
