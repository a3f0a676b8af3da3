#pragma once
// From a named table and a design to the inputs of a run: which genes take
// part, and their values in the layout of the pair analysis.
//
// Every gene of the table, in table order, gets one status:
//   not selected  a --genes list is given and does not name it; it is not
//                 part of the run (not a drop), but the per-gene report
//                 still lists it;
//   dropped       a missing value in a used column (--missing drop), or no
//                 variation: all used values equal after the transform,
//                 so no two-state fit exists;
//   kept          everything else.
// The transform applies to the used values of selected genes without a
// missing value, after --normalise cpm when given (normalise.hpp); a value
// outside its domain stops the run.
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
};

// "drop" or "fail"; RunError (input status) naming --missing otherwise.
MissingRule parse_missing_rule(const std::string& word);

struct GeneOptions {
    const GeneList* genes = nullptr;  // --genes; null: every gene of the table
    MissingRule missing = MissingRule::Drop;
    Transform transform = Transform::None;
    Normalise normalise = Normalise::None;
};

enum class GeneStatus { Kept, NotSelected, DroppedMissing, DroppedConstant };

// "kept", "not selected" or "dropped".
const char* status_word(GeneStatus s);
// Why: "" for kept, "not in the --genes list", "missing value", "no variation".
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
    // The table's values before any change: sample sums, raw counts or not.
    Libraries libraries;
    // A warning for the user (library_note), or "".
    std::string note;

    std::size_t count(GeneStatus s) const;
};

// Errors (RunError, input status): ids of the --genes list not in the table
// (the first five and a count), a missing value under MissingRule::Fail, a
// value outside the transform's domain (naming gene, column, line, value),
// no counts per million (check_cpm), lack of memory (naming the table).
Prepared prepare_genes(const NamedTable& table, const Design& design, const GeneOptions& options);

}  // namespace coswitch
