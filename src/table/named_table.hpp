#pragma once
// An expression table with names: a header row (the id column's name, then
// one name per sample), then one row per gene (its id, then its values).
//
// The separator is tab or comma, decided by the header line; cells follow
// delimited.hpp (quotes, blanks, CR LF). A name ending in ".gz" is read as
// gzip, and so is gzip data under any name. Ids and sample names are UTF-8
// text without the separator, a tab, CR or other control character or a
// double quote (printable.hpp, name_fault); ids are non-empty and unique.
// A value is a finite plain decimal or missing (cell_value.hpp). A row with
// fewer cells than the header has its trailing cells missing (spreadsheets
// drop trailing empties); a row with more is an error. But a header exactly
// one cell shorter than the first row, whose last cell is not empty, names
// only samples, as R's
// write.table(x, sep = "\t") writes row names: the ids are the unnamed first
// column, and every row must then have that many cells. Blank lines at the
// end are ignored; a blank line before a gene row is an error. Limits: a
// line of at most 16 MiB (input_file.hpp), and kMaxTableValues values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace coswitch {

// Values (genes x samples, missing ones included) one table may hold: 2 GiB
// as doubles.
inline constexpr std::size_t kMaxTableValues = std::size_t{1} << 28;
inline constexpr const char* kMaxTableValuesText = "268,435,456 (2^28)";

struct NamedTable {
    std::string name;  // the file as messages show it
    char separator = '\t';
    std::uint64_t file_bytes = 0;      // size of the file as stored (compressed for .gz)
    std::string id_header;             // first header cell; may be empty
    bool row_names = false;            // the header names no id column (R's write.table)
    std::vector<std::string> samples;  // sample names, header order; may be empty or repeat
    std::vector<std::string> ids;      // gene ids, table order
    std::vector<std::uint64_t> lines;  // file line of each gene
    std::vector<double> values;        // gene-major: values[g * samples.size() + s]; NaN = missing

    std::size_t genes() const { return ids.size(); }
    double value(std::size_t gene, std::size_t sample) const {
        return values[gene * samples.size() + sample];
    }
};

// Reads the table at path; RunError (input status) naming `shown_name`, and
// the line where there is one, for every fault, including lack of memory.
NamedTable read_named_table(const std::string& path, const std::string& shown_name);

// The same of a file's text already read (read_input_text).
struct InputText;
NamedTable named_table_from(const InputText& in, const std::string& shown_name);

// A sample column as messages name it: column "alpha7", or column 5 (no
// name) when the header cell is empty (columns counted from 1 with the id
// column first, as a spreadsheet shows them).
std::string describe_column(const NamedTable& table, std::size_t sample);

}  // namespace coswitch
