#include "report/pairs_tsv.hpp"

#include <charconv>

#include "engine/pair_order.hpp"
#include "io/errors.hpp"
#include "io/number_text.hpp"

namespace coswitch {

const char* const kPairsHeader =
    "rank\tgene1\tgene2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\tr\tphase\t"
    "switching1\tswitching2\n";

namespace {

void append_int(std::string& out, std::int64_t v) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

// A statistic's three cells, each after a tab.
void append_statistic(std::string& line, double stat, double p, double bh) {
    line += '\t';
    append_fixed(line, stat, 8);
    line += '\t';
    append_shortest(line, p);
    line += '\t';
    append_significant(line, bh, kAdjustedDigits);
}

// One row without its line end.
void append_pair_row(std::string& line, const PairResults& r, const RankedPairs& k,
                     std::int64_t rank, std::int64_t n) {
    const GenePair g = pair_at(n, r.genes());
    const auto u = static_cast<std::size_t>(n);
    append_int(line, rank);
    line += '\t';
    line += r.names[static_cast<std::size_t>(g.i - 1)];
    line += '\t';
    line += r.names[static_cast<std::size_t>(g.j - 1)];
    append_statistic(line, r.stat_new[u], pooled_pvalue(r.count_new[u], r.M), k.bh_new[u]);
    append_statistic(line, r.stat_corr[u], pooled_pvalue(r.count_corr[u], r.M), k.bh_corr[u]);
    line += '\t';
    append_fixed(line, r.r[u], 8);
    line += '\t';
    line += phase_word(r.phase[u]);
    for (const int gene : {g.i, g.j}) {
        line += '\t';
        line += r.switching[static_cast<std::size_t>(gene - 1)] != 0 ? "yes" : "no";
    }
}

}  // namespace

std::string pair_row(const PairResults& r, const RankedPairs& k, std::int64_t rank, std::int64_t n) {
    std::string line;
    append_pair_row(line, r, k, rank, n);
    return line;
}

void check_tsv_ids(const std::vector<std::string>& names, const std::string& file) {
    for (const std::string& id : names)
        if (id.find_first_of("\t\r\n") != std::string::npos)
            throw RunError(kExitInput, file + ": cannot hold the gene id \"" + id +
                                           "\": it has a tab or a line break");
}

void write_pairs_tsv(TextOut& out, const PairResults& r, const RankedPairs& k) {
    check_tsv_ids(r.names, out.name());
    out.write(kPairsHeader);
    std::string line;
    // Rows go in rank order but the values sit in pair order: ask for the
    // values of a later row early, so that their cache misses overlap.
    constexpr std::size_t kAhead = 16;
    for (std::size_t rank = 0; rank < k.order.size(); ++rank) {
        if (rank + kAhead < k.order.size()) {
            const auto u = static_cast<std::size_t>(k.order[rank + kAhead]);
            __builtin_prefetch(&r.stat_new[u]);
            __builtin_prefetch(&r.stat_corr[u]);
            __builtin_prefetch(&r.count_new[u]);
            __builtin_prefetch(&r.count_corr[u]);
            __builtin_prefetch(&r.r[u]);
            __builtin_prefetch(&k.bh_new[u]);
            __builtin_prefetch(&k.bh_corr[u]);
        }
        line.clear();
        append_pair_row(line, r, k, static_cast<std::int64_t>(rank) + 1, k.order[rank]);
        line += '\n';
        out.write(line);
    }
}

}  // namespace coswitch
