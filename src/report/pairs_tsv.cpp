#include "report/pairs_tsv.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/ordered_blocks.hpp"
#include "engine/pair_order.hpp"
#include "io/errors.hpp"
#include "io/number_text.hpp"
#include "io/numbers.hpp"

namespace coswitch {

const char* const kPairsHeader =
    "rank\tgene1\tgene2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\tr\tphase\t"
    "switching1\tswitching2\n";

namespace {

// Rows formatted a block at a time: a few hundred kilobytes of text.
constexpr std::int64_t kRowsPerBlock = 4096;

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
void append_pair_row(std::string& line, const PairResults& r, const PairValues& v) {
    append_int(line, v.position + 1);
    line += '\t';
    line += r.names[static_cast<std::size_t>(v.genes.i - 1)];
    line += '\t';
    line += r.names[static_cast<std::size_t>(v.genes.j - 1)];
    append_statistic(line, v.stat_new, pooled_pvalue(v.count_new, r.M), v.bh_new);
    append_statistic(line, v.stat_corr, pooled_pvalue(v.count_corr, r.M), v.bh_corr);
    line += '\t';
    append_fixed(line, v.r, 8);
    line += '\t';
    line += phase_word(v.phase);
    for (const int gene : {v.genes.i, v.genes.j}) {
        line += '\t';
        line += r.switching[static_cast<std::size_t>(gene - 1)] != 0 ? "yes" : "no";
    }
}

}  // namespace

PairsChoice default_pairs_choice(std::int64_t pairs, std::int64_t all_up_to) {
    PairsChoice c;
    c.by_default = true;
    c.all_up_to = all_up_to;
    if (pairs > all_up_to) {
        c.rule = PairsChoice::Rule::fdr;
        c.fdr = kDefaultPairsFdr;
    }
    return c;
}

std::string pairs_choice_words(const PairsChoice& c) {
    switch (c.rule) {
        case PairsChoice::Rule::fdr:
            return "fdr " + shortest_text(c.fdr);
        case PairsChoice::Rule::top:
            return "top " + std::to_string(c.top);
        case PairsChoice::Rule::all:
            break;
    }
    return "all";
}

bool parse_pairs_choice(const std::string& rule, const std::string& value, PairsChoice& out) {
    PairsChoice c;
    if (rule == "all" && value.empty()) {
        c.rule = PairsChoice::Rule::all;
    } else if (rule == "fdr") {
        double q = 0;
        if (!parse_number(value, q) || !(q >= 0 && q <= 1)) return false;
        c.rule = PairsChoice::Rule::fdr;
        c.fdr = q;
    } else if (rule == "top") {
        if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != std::string::npos)
            return false;
        c.rule = PairsChoice::Rule::top;
        c.top = std::stoll(value);
    } else {
        return false;
    }
    out = c;
    return true;
}

std::string pair_row(const PairResults& r, const PairValues& v) {
    std::string line;
    append_pair_row(line, r, v);
    return line;
}

void check_tsv_ids(const std::vector<std::string>& names, const std::string& file) {
    for (const std::string& id : names)
        if (id.find_first_of("\t\r\n") != std::string::npos)
            throw RunError(kExitInput, file + ": cannot hold the gene id \"" + id +
                                           "\": it has a tab or a line break");
}

std::int64_t write_pairs_tsv(TextOut& out, const PairResults& r, const RankedPairs& k,
                             const PairsChoice& choice, const PairNotes& notes) {
    check_tsv_ids(r.names, out.name());
    const bool noted = notes.active();
    if (noted) {
        std::string header = kPairsHeader;
        header.insert(header.size() - 1, "\tnote");
        out.write(header);
    } else {
        out.write(kPairsHeader);
    }
    std::int64_t last = r.pairs();
    std::function<bool(std::int64_t, const CorrelationAt&)> keep;
    if (choice.rule == PairsChoice::Rule::top) {
        last = std::min(last, std::max<std::int64_t>(choice.top, 0));
    } else if (choice.rule == PairsChoice::Rule::fdr) {
        // Passing by the dependence statistic is a prefix of the ranking,
        // by the correlation the first positions of its counts.
        const std::int64_t by_new = pairs_below_new(r, choice.fdr, true);
        const std::int64_t by_corr = pairs_below_corr(r, choice.fdr, true);
        keep = [by_new, by_corr](std::int64_t position, const CorrelationAt& c) {
            return position < by_new || corr_below(c.position, by_corr);
        };
    }
    const std::int64_t blocks = (last + kRowsPerBlock - 1) / kRowsPerBlock;
    std::int64_t rows = 0;
    ordered_blocks(
        blocks, k.threads, {},
        [&](std::int64_t b, std::string& text) {
            const std::int64_t first = b * kRowsPerBlock;
            for_each_pair(
                r, first, std::min(last, first + kRowsPerBlock),
                [&](const PairValues& v) {
                    append_pair_row(text, r, v);
                    if (noted) {
                        text += '\t';
                        text += notes.note(v.genes.i, v.genes.j, v.r);
                    }
                    text += '\n';
                },
                keep);
        },
        [&](const std::string& text) {
            rows += std::count(text.begin(), text.end(), '\n');
            out.write(text);
        });
    return rows;
}

}  // namespace coswitch
