#pragma once
// What a scan analyses, made from its table and options: the run's
// parameters and input tables, which genes take part and why the others do
// not, and every kept gene's two-state fit and switching criterion.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/run_data.hpp"
#include "scan/settings.hpp"
#include "table/design.hpp"
#include "table/gene_list.hpp"
#include "table/named_table.hpp"
#include "numeric/mixture.hpp"
#include "numeric/switching.hpp"

namespace coswitch {

struct GeneReport {
    std::string id;
    std::uint64_t line = 0;     // in the table
    std::string status;         // kept, dropped, not selected (not in genes.tsv)
    std::string reason;         // why not kept
    int index = 0;              // 1.. for kept genes: its number in the run
    std::size_t missing = 0;    // its missing values among the used samples
};

struct KeptGeneFit {
    MixtureFit fit;          // two normal states fitted to the gene's values
    Persistence persistence; // of its courses over time
    double bic_gain = 0;
};

// An input file besides the table, for the run record: what it is ("design",
// "genes", "para1", "para2"), its name as given and its SHA-256.
struct InputFile {
    std::string role;
    std::string path;
    std::string sha256;
};

struct ScanInputs {
    RunParameters p;
    Inputs in;
    std::vector<std::string> ids;      // kept gene g is ids[g - 1]
    std::vector<GeneReport> genes;     // every gene of the table, table order
    std::vector<KeptGeneFit> fits;     // kept gene g at [g - 1]
    bool densities_given = false;      // --para1/--para2 rather than fitted
    std::string table_name;
    std::uint64_t table_bytes = 0;
    std::string table_sha256;
    std::vector<InputFile> files;      // the other inputs, as given
    std::size_t table_genes = 0, table_samples = 0;
    char separator = '\t';
    bool row_names = false;            // the header names no id column (R's write.table)
    std::string list_header;           // the --genes list's first line skipped as a header, or ""
    std::string design_how, design_text, design_tsv;
    std::string normalised;            // for the summary: how values were scaled, "" for not
    std::string note;                  // a warning for standard error, or ""
    std::size_t kept = 0, dropped = 0, not_selected = 0;
    std::size_t missing_values = 0;  // of the kept genes, among the used samples
    std::size_t holes = 0;           // cells of the design without a sample
    // With fewer than 2 genes kept: the used columns missing in every row,
    // as messages name them (describe_column).
    std::vector<std::string> empty_columns;
};

// Reads and checks everything a scan needs before any pair is analysed;
// throws RunError naming the file (and line) of the first fault.
ScanInputs scan_inputs(const ScanSettings& o);

// The same from a table and design already made (in memory, say); list:
// the genes to keep to, or null for every gene. The settings' table,
// columns and design options are not read.
ScanInputs scan_inputs(NamedTable table, const Design& design, const ScanSettings& o,
                       const GeneList* list);

}  // namespace coswitch
