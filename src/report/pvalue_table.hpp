#pragma once
// pvalue.txt read back: its pairs, their p-values and adjusted p-values, and
// the gene names that go with them.
#include <string>
#include <vector>

namespace coswitch {

struct PairRow {
    int i = 0, j = 0;  // genes, i < j
    double stat_new = 0, p_new = 0, stat_corr = 0, p_corr = 0;
    double p_new_bh = 0, p_corr_bh = 0;  // Benjamini-Hochberg over all pairs
};

struct PairTable {
    std::vector<PairRow> rows;  // in file order
    int genes = 0;              // the largest gene index
    int too_large = 0;          // statistics that overflowed their field
};

// Parses the text of pvalue.txt (name is used in diagnostics). A statistic
// written as asterisks did not fit its field and is taken as +infinity. The
// records must be every pair i < j of genes 1..n for one n, each once, in
// any order. Throws RunError(kExitInput, ...) naming the line of anything
// else unreadable, of a gene number out of range or of a pair's second record.
PairTable parse_pvalues(const std::string& text, const std::string& name);

// Fills the adjusted p-values of every row.
void adjust(PairTable& t);

// What the names of a names file stand for, as a wrong count says it.
inline constexpr const char* kNamesOfPvalue =
    "one per gene of pvalue.txt, in the column order of realdata.txt";
inline constexpr const char* kNamesOfRealdata = "one per gene, in the column order of realdata.txt";

// One name per line, in column order; empty lines at the end are ignored,
// CR LF line ends accepted. Throws unless there are exactly `expected` names.
std::vector<std::string> parse_names(const std::string& text, const std::string& name,
                                     int expected, const char* what = kNamesOfPvalue);

// The gene numbers as names, for when no names file is given.
std::vector<std::string> number_names(int genes);

}  // namespace coswitch
