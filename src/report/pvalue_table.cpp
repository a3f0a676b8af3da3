#include "report/pvalue_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "io/errors.hpp"
#include "io/numbers.hpp"
#include "io/quoted.hpp"
#include "report/adjust.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

[[noreturn]] void bad_line(const std::string& name, int line_no, const std::string& what) {
    throw RunError(kExitInput, name + ":" + std::to_string(line_no) + ": " + what);
}

bool parse_gene(const std::string& word, int& out) {
    if (word.empty() || word.size() > 9) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    out = std::stoi(word);
    return out >= 1;
}

// A field as the analysis writes it; asterisks mean a value too large for it.
bool parse_field(const std::string& word, double& out, bool& overflow) {
    overflow = false;
    if (word == "NaN") {
        out = kNaN;
        return true;
    }
    if (word == "Infinity" || word == "+Infinity") {
        out = kInf;
        return true;
    }
    if (word == "-Infinity") {
        out = -kInf;
        return true;
    }
    if (word.find_first_not_of('*') == std::string::npos) {
        out = kInf;
        overflow = true;
        return true;
    }
    return parse_number(word, out);
}

// Genes whose pairs number at most `pairs`: the largest n with n(n-1)/2 <= pairs.
std::int64_t genes_for(std::int64_t pairs) {
    std::int64_t n = static_cast<std::int64_t>(std::sqrt(2.0 * static_cast<double>(pairs))) + 2;
    while (n * (n - 1) / 2 > pairs) --n;
    return n;
}

// The table must be all pairs i < j of genes 1..n, each once, in any order.
// Gene numbers are checked against the count of records before anything is
// sized by them, so memory and output stay bounded by the file's size.
void check_complete(const PairTable& t, const std::vector<int>& lines, const std::string& name) {
    const auto records = static_cast<std::int64_t>(t.rows.size());
    const std::int64_t most = genes_for(records);
    for (std::size_t k = 0; k < t.rows.size(); ++k) {
        const std::int64_t j = t.rows[k].j;
        if (j > most)
            bad_line(name, lines[k],
                     "gene " + std::to_string(j) + " is out of range: " +
                         std::to_string(records) + " pair" + (records == 1 ? "" : "s") +
                         " can be all the pairs of at most " + std::to_string(most) +
                         " genes, and " + std::to_string(j) + " genes have " +
                         std::to_string(j * (j - 1) / 2) +
                         " pairs (pairs missing, or a wrong gene number)");
    }
    std::vector<int> first_line(static_cast<std::size_t>(most * (most - 1) / 2), 0);
    for (std::size_t k = 0; k < t.rows.size(); ++k) {
        const PairRow& r = t.rows[k];
        const auto slot = static_cast<std::size_t>(
            static_cast<std::int64_t>(r.j - 1) * (r.j - 2) / 2 + (r.i - 1));
        if (first_line[slot] != 0)
            bad_line(name, lines[k],
                     "pair (" + std::to_string(r.i) + ", " + std::to_string(r.j) +
                         ") appears twice (first on line " + std::to_string(first_line[slot]) +
                         ")");
        first_line[slot] = lines[k];
    }
    // Now every pair is distinct and within 1..most, and there are at least
    // most(most-1)/2 of them: exactly all pairs of `most` genes.
}

}  // namespace

PairTable parse_pvalues(const std::string& text, const std::string& name) {
    PairTable t;
    std::vector<int> record_lines;
    const std::vector<std::string> lines = split_lines(text);
    bool first = true;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int line_no = static_cast<int>(n) + 1;
        const std::vector<std::string> w = split_words(lines[n]);
        if (w.empty()) continue;
        if (first && w[0] == "Gene1") {
            first = false;
            continue;
        }
        first = false;
        if (w.size() != 6)
            bad_line(name, line_no,
                     "expected 6 fields (gene, gene, statistic, p-value, correlation, "
                     "p-value), found " + std::to_string(w.size()));
        PairRow r;
        if (!parse_gene(w[0], r.i) || !parse_gene(w[1], r.j))
            bad_line(name, line_no, shown_value(w[0] + " " + w[1]) + " is not a pair of gene numbers");
        if (r.i >= r.j)
            bad_line(name, line_no,
                     "pair (" + std::to_string(r.i) + ", " + std::to_string(r.j) +
                         ") does not have its smaller gene first");
        double* values[4] = {&r.stat_new, &r.p_new, &r.stat_corr, &r.p_corr};
        for (int k = 0; k < 4; ++k) {
            bool overflow = false;
            const std::string& word = w[static_cast<std::size_t>(k) + 2];
            if (!parse_field(word, *values[k], overflow))
                bad_line(name, line_no, "cannot read " + shown_value(word) + " as a number");
            const bool is_p = k == 1 || k == 3;
            if (is_p && !std::isnan(*values[k]) && !(*values[k] >= 0.0 && *values[k] <= 1.0))
                bad_line(name, line_no, shown_value(word) + " is not a p-value");
            if (overflow) ++t.too_large;
        }
        record_lines.push_back(line_no);
        t.genes = std::max(t.genes, r.j);
        t.rows.push_back(r);
    }
    if (t.rows.empty())
        throw RunError(kExitInput, name + ": no gene pairs (a run writes them at its end, and "
                                          "needs at least 2 genes)");
    check_complete(t, record_lines, name);
    return t;
}

void adjust(PairTable& t) {
    std::vector<double> p_new, p_corr;
    for (const PairRow& r : t.rows) {
        p_new.push_back(r.p_new);
        p_corr.push_back(r.p_corr);
    }
    const std::vector<double> a_new = benjamini_hochberg(p_new);
    const std::vector<double> a_corr = benjamini_hochberg(p_corr);
    for (std::size_t k = 0; k < t.rows.size(); ++k) {
        t.rows[k].p_new_bh = a_new[k];
        t.rows[k].p_corr_bh = a_corr[k];
    }
}

std::vector<std::string> parse_names(const std::string& text, const std::string& name,
                                     int expected, const char* what) {
    std::vector<std::string> lines = split_lines(text);
    while (!lines.empty() && split_words(lines.back()).empty()) lines.pop_back();
    std::vector<std::string> names;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int line_no = static_cast<int>(n) + 1;
        std::string s = lines[n];
        const std::size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos) bad_line(name, line_no, "empty name");
        s = s.substr(b, s.find_last_not_of(" \t") - b + 1);
        if (!valid_utf8(s)) bad_line(name, line_no, "the name is not UTF-8 text");
        for (unsigned char c : s)
            if (c < 0x20 || c == 0x7F)
                bad_line(name, line_no, "the name holds a tab or a control character");
        names.push_back(s);
    }
    if (static_cast<int>(names.size()) != expected)
        throw RunError(kExitInput, name + ": " + std::to_string(names.size()) +
                                       " names, expected " + std::to_string(expected) +
                                       " (" + what + ")");
    return names;
}

std::vector<std::string> number_names(int genes) {
    std::vector<std::string> names;
    for (int g = 1; g <= genes; ++g) names.push_back(std::to_string(g));
    return names;
}

}  // namespace coswitch
