#pragma once
// --normalise: counts per million; and whether a table's values look like
// raw counts, which call for it and for a log transform.
//
// Counts per million divide each value of a sample by the sum of that
// sample's values over every gene of the table (selected or not, kept or
// not; missing values left out of the sum and left missing) and multiply
// by 1e6. The sums are plain double sums in table order and each value
// takes one division and one multiplication, so the bytes are the same on
// every machine.
#include <cstddef>
#include <string>
#include <vector>

#include "table/named_table.hpp"

namespace coswitch {

enum class Normalise {
    None,  // values as read
    Cpm,   // counts per million of the sample
};

// "none" or "cpm"; RunError (input status) naming --normalise otherwise.
Normalise parse_normalise(const std::string& word);
const char* normalise_name(Normalise n);

// Whole numbers of 0 or more look like raw counts when the largest is at
// least this.
inline constexpr double kRawCountsFrom = 1000;

// What one pass over the used columns of a table finds.
struct Libraries {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // Per sample of the table: its values summed over every gene, missing
    // ones left out; 0 for a column the run does not use.
    std::vector<double> sums;
    // The used samples with the smallest and the largest sum (npos: none).
    std::size_t least = npos, most = npos;
    // Over the used values of the selected genes, missing ones left out:
    // whether every one is a whole number of 0 or more, and their range.
    bool whole = true;
    double smallest = 0, largest = 0;
    // The first negative used value of any gene, in table order (npos: none).
    std::size_t negative_gene = npos, negative_sample = npos;

    bool raw_counts() const { return whole && largest >= kRawCountsFrom; }
};

// used: the run's columns; selected: per gene of the table, whether its
// values are looked at (empty: every gene). Sums cover every gene.
Libraries survey_libraries(const NamedTable& table, const std::vector<std::size_t>& used,
                           const std::vector<bool>& selected);

// RunError (input status) unless counts per million exist: a negative used
// value (naming line, gene, column, value) or a used sample whose sum is 0
// (naming the column).
void check_cpm(const NamedTable& table, const std::vector<std::size_t>& used,
               const Libraries& libraries);

// x / sum * 1e6, in that order.
double counts_per_million(double x, double sum);

// A whole number as text without exponent ("48210"), any other in its
// shortest form.
std::string count_text(double x);

// For values that look like raw counts analysed without --normalise cpm
// while the used samples' sums differ more than 3-fold: one line (no line
// end) suggesting --normalise cpm; "" otherwise.
std::string library_note(const NamedTable& table, const Libraries& libraries);

}  // namespace coswitch
