#pragma once
// From a named table and a design to the inputs of a run: which genes take
// part, and their values in the layout of the pair analysis.
//
// Every gene of the table, in table order, gets one status:
//   not selected  a --genes list is given and does not name it; it is not
//                 part of the run (not a drop), but the per-gene report
//                 still lists it;
//   dropped       a missing value in a used column (--missing drop); more
//                 missing values than --max-missing allows, or fewer than
//                 2 values left (--missing model); or no variation: all
//                 values there equal after the transform, so no two-state
//                 fit exists;
//   kept          everything else.
// The transform applies to the values there are of the genes that can be
// kept, after --normalise cpm when given (normalise.hpp); a value outside
// its domain stops the run. Under --missing model a missing value, and a
// hole of the design, stays NaN in MODTCELL44.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "numeric/array.hpp"
#include "table/design.hpp"
#include "table/gene_list.hpp"
#include "table/named_table.hpp"
#include "table/normalise.hpp"
#include "table/transform.hpp"

namespace coswitch {

enum class MissingRule {
    Drop,  // a gene with a missing used value is dropped
    Fail,  // ... stops the run, naming file, line and column (first in table order)
    Model, // missing values are left out of the analysis, gene by gene
};

// "drop", "fail" or "model"; RunError (input status) naming --missing otherwise.
MissingRule parse_missing_rule(const std::string& word);

struct GeneOptions {
    const GeneList* genes = nullptr;  // --genes; null: every gene of the table
    MissingRule missing = MissingRule::Drop;
    // Under MissingRule::Model: the largest share of a gene's used values
    // that may be missing; a gene with more is dropped.
    double max_missing = 0.2;
    Transform transform = Transform::None;
    Normalise normalise = Normalise::None;
};

enum class GeneStatus {
    Kept,
    NotSelected,
    DroppedMissing,     // --missing drop
    DroppedTooMissing,  // --missing model: above --max-missing
    DroppedFewValues,   // --missing model: fewer than 2 values left
    DroppedConstant,
};

// "kept", "not selected" or "dropped".
const char* status_word(GeneStatus s);
// Why: "" for kept, "not in the --genes list", "missing value", "missing
// values", "too few values", "no variation".
const char* status_reason(GeneStatus s);

struct Prepared {
    std::size_t NTIME = 0;
    std::size_t NREP = 0;
    std::vector<std::size_t> kept;     // table index of kept gene g (0-based), table order
    std::vector<std::string> ids;      // id of kept gene g
    std::vector<std::uint64_t> lines;  // table line of kept gene g
    // (NTIME*NREP, kept genes): row (t-1)*NREP + r holds replicate r of time
    // point t, column g kept gene g; transformed values.
    Array<double, 2> MODTCELL44;
    std::vector<GeneStatus> status;  // every gene of the table, table order
    // Every gene of the table: its missing values among the used samples
    // (the design's holes not counted); 0 for genes not selected.
    std::vector<std::size_t> missing;
    std::size_t used = 0;  // samples the design uses
    double max_missing = 0;
    // The table's values before any change: sample sums, raw counts or not.
    Libraries libraries;
    // A warning for the user (library_note), or "".
    std::string note;
    // The --genes list's first line, when skipped as a header: what was
    // skipped and why, naming file and line; or "".
    std::string list_header;

    std::size_t count(GeneStatus s) const;
    // Why gene g (table order) is not kept, with its counts where they say
    // more: "missing values: 5 of 12 (> 0.2)"; "" for a kept gene.
    std::string reason(std::size_t g) const;
};

// Errors (RunError, input status): ids of the --genes list not in the table
// (the first five, each with its line and the ids it may have meant, and a
// count), a missing value under MissingRule::Fail, a
// hole in the design unless MissingRule::Model, under MissingRule::Model a
// used column without a value in any row (a stray separator, likely), a
// value outside the transform's domain (naming gene, column, line, value),
// no counts per million (check_cpm), lack of memory (naming the table).
Prepared prepare_genes(const NamedTable& table, const Design& design, const GeneOptions& options);

}  // namespace coswitch
