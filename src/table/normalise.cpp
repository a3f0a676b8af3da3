#include "table/normalise.hpp"

#include <cmath>

#include "io/errors.hpp"
#include "io/numbers.hpp"
#include "io/number_text.hpp"
#include "table/delimited.hpp"
#include "table/printable.hpp"

namespace coswitch {

Normalise parse_normalise(const std::string& word) {
    if (word == "none") return Normalise::None;
    if (word == "cpm") return Normalise::Cpm;
    throw RunError(kExitInput, "--normalise: " + quoted(word) + " is not none or cpm");
}

const char* normalise_name(Normalise n) { return n == Normalise::Cpm ? "cpm" : "none"; }

Libraries survey_libraries(const NamedTable& table, const std::vector<std::size_t>& used,
                           const std::vector<bool>& selected) {
    Libraries l;
    l.sums.assign(table.samples.size(), 0.0);
    bool any = false;
    for (std::size_t g = 0; g < table.genes(); ++g) {
        const bool looked_at = selected.empty() || selected[g];
        for (std::size_t s : used) {
            const double x = table.value(g, s);
            if (std::isnan(x)) continue;
            l.sums[s] += x;
            if (x < 0 && l.negative_gene == Libraries::npos) {
                l.negative_gene = g;
                l.negative_sample = s;
            }
            if (!looked_at || !l.whole) continue;
            if (!(x >= 0 && x == std::floor(x))) {
                l.whole = false;
                continue;
            }
            if (!any || x < l.smallest) l.smallest = x;
            if (!any || x > l.largest) l.largest = x;
            any = true;
        }
    }
    for (std::size_t s : used) {
        if (l.least == Libraries::npos || l.sums[s] < l.sums[l.least]) l.least = s;
        if (l.most == Libraries::npos || l.sums[s] > l.sums[l.most]) l.most = s;
    }
    return l;
}

void check_cpm(const NamedTable& table, const std::vector<std::size_t>& used,
               const Libraries& l) {
    if (l.negative_gene != Libraries::npos)
        throw RunError(kExitInput, at_line(table.name, table.lines[l.negative_gene]) + "gene " +
                                       quoted(table.ids[l.negative_gene]) + ", " +
                                       describe_column(table, l.negative_sample) +
                                       ": --normalise cpm needs counts of 0 or more, not " +
                                       shortest_text(table.value(l.negative_gene,
                                                                 l.negative_sample)));
    for (std::size_t s : used)
        if (!(l.sums[s] > 0))
            throw RunError(kExitInput, table.name + ": " + describe_column(table, s) +
                                           ": its values sum to 0 over all " +
                                           std::to_string(table.genes()) +
                                           " genes of the table (missing ones left out), so it "
                                           "has no counts per million (--normalise cpm)");
}

double counts_per_million(double x, double sum) {
    const double share = x / sum;
    return share * 1e6;
}

std::string count_text(double x) {
    if (x != std::floor(x)) return shortest_text(x);
    std::string out;
    append_fixed(out, x, 0);
    return out;
}

std::string library_note(const NamedTable& table, const Libraries& l) {
    if (!l.raw_counts() || l.least == Libraries::npos) return "";
    const double least = l.sums[l.least], most = l.sums[l.most];
    if (!(most > 3 * least)) return "";
    std::string fold;
    if (least > 0) {
        fold = " ";
        append_fixed(fold, most / least, 1);
        fold += "-fold";
    }
    return table.name + ": the values look like raw counts and the samples' sums differ" + fold +
           " (" + count_text(least) + " in " + describe_column(table, l.least) + " to " +
           count_text(most) + " in " + describe_column(table, l.most) +
           "); give --normalise cpm to compare counts per million";
}

}  // namespace coswitch
