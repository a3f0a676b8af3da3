#include "table/prepare.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>

#include "io/errors.hpp"
#include "io/number_text.hpp"
#include "table/delimited.hpp"
#include "table/near_names.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

// An unknown id as messages show it: quoted, its line, and the table's
// ids it may have meant.
std::string unknown_id(const GeneList& list, std::size_t k, const NamedTable& table) {
    std::string out = quoted(list.ids[k]) + " (line " + std::to_string(list.lines[k]);
    const std::vector<std::string> near = near_names(list.ids[k], table.ids);
    for (std::size_t n = 0; n < near.size(); ++n)
        out += (n == 0 ? "; did you mean " : n + 1 == near.size() ? " or " : ", ") + quoted(near[n]);
    return out + (near.empty() ? ")" : "?)");
}

// Which table genes the --genes list names; every listed id must be one,
// but a header line. Sets header to the line skipped as one, if any.
std::vector<bool> listed_genes(const NamedTable& table, const GeneList& list, std::string& header) {
    std::unordered_map<std::string, std::size_t> row;
    for (std::size_t g = 0; g < table.genes(); ++g) row.emplace(table.ids[g], g);
    std::vector<bool> listed(table.genes(), false);
    std::vector<std::size_t> unknown;
    for (std::size_t k = 0; k < list.ids.size(); ++k) {
        const auto it = row.find(list.ids[k]);
        if (it != row.end())
            listed[it->second] = true;
        else
            unknown.push_back(k);
    }
    // A first line that is no id, when every other is one: a header.
    if (list.may_have_header && unknown.size() == 1 && unknown[0] == 0 && list.ids.size() > 1) {
        header = at_line(list.name, list.lines[0]) + quoted(list.ids[0]) + " is no id of " +
                 table.name + ": skipped as a header line";
        return listed;
    }
    if (unknown.empty()) return listed;
    std::string missing;
    for (std::size_t n = 0; n < unknown.size() && n < 5; ++n)
        missing += (n == 0 ? "" : ", ") + unknown_id(list, unknown[n], table);
    if (unknown.size() > 5) missing += " and " + std::to_string(unknown.size() - 5) + " more";
    throw RunError(kExitInput, list.name + ": " + std::to_string(unknown.size()) + " id(s) not in " +
                                   table.name + ": " + missing);
}

// The transformed values of gene g over the design (NaN where one is
// missing, under MissingRule::Model), or the reason it drops; counts its
// missing values.
GeneStatus gene_values(const NamedTable& table, const Design& design, const GeneOptions& o,
                       const std::vector<std::size_t>& used_in_table_order,
                       const Libraries& libraries, std::size_t g, std::vector<double>& out,
                       std::size_t& missing) {
    missing = 0;
    for (std::size_t s : used_in_table_order) {
        if (!std::isnan(table.value(g, s))) continue;
        ++missing;
        if (o.missing == MissingRule::Fail)
            throw RunError(kExitInput, at_line(table.name, table.lines[g]) + "gene " +
                                           quoted(table.ids[g]) + ": missing value in " +
                                           describe_column(table, s) + " (--missing fail)");
    }
    if (missing > 0 && o.missing == MissingRule::Drop) return GeneStatus::DroppedMissing;
    const std::size_t used = used_in_table_order.size();
    if (missing > 0 && static_cast<double>(missing) / static_cast<double>(used) > o.max_missing)
        return GeneStatus::DroppedTooMissing;
    if (used - missing < 2) return GeneStatus::DroppedFewValues;
    out.clear();
    for (std::size_t s : design.columns) {
        double x = s == Design::kHole ? std::nan("") : table.value(g, s);
        if (x != x) {
            out.push_back(x);
            continue;
        }
        if (o.normalise == Normalise::Cpm) x = counts_per_million(x, libraries.sums[s]);
        double y = 0;
        if (!apply_transform(o.transform, x, y))
            throw RunError(kExitInput, at_line(table.name, table.lines[g]) + "gene " +
                                           quoted(table.ids[g]) + ", " + describe_column(table, s) +
                                           ": --transform " + transform_name(o.transform) +
                                           " needs values above " +
                                           (o.transform == Transform::Log2 ? "0" : "-1") +
                                           ", not " + shortest_text(x) +
                                           (o.normalise == Normalise::Cpm
                                                ? " (a count per million)"
                                                : "") +
                                           (o.transform == Transform::Log2
                                                ? "; --transform log2p1 takes log2(x + 1), "
                                                  "which is 0 at 0"
                                                : ""));
        out.push_back(y);
    }
    const double* first = nullptr;
    for (const double& y : out) {
        if (y != y) continue;
        if (first == nullptr) first = &y;
        if (y != *first) return GeneStatus::Kept;
    }
    return GeneStatus::DroppedConstant;
}

// Under --missing model a used column without a value in any row is a
// stray separator more often than data: it would be a hole in every gene.
void refuse_empty_column(const NamedTable& table, const std::vector<std::size_t>& used,
                         const std::vector<bool>& listed) {
    if (table.genes() == 0) return;
    for (const std::size_t c : used) {
        bool empty = true;
        for (std::size_t g = 0; g < table.genes() && empty; ++g)
            if (listed.empty() || listed[g]) empty = std::isnan(table.value(g, c));
        if (empty)
            throw RunError(kExitInput,
                           table.name + ": " + describe_column(table, c) + " has no value in " +
                               (listed.empty() ? "any row" : "the row of any listed gene") +
                               " (a separator at the end of the header line?); leave it out "
                               "with --columns");
    }
}

}  // namespace

MissingRule parse_missing_rule(const std::string& word) {
    if (word == "drop") return MissingRule::Drop;
    if (word == "fail") return MissingRule::Fail;
    if (word == "model") return MissingRule::Model;
    throw RunError(kExitInput, "--missing: " + quoted(word) + " is not model, drop or fail");
}

const char* status_word(GeneStatus s) {
    switch (s) {
        case GeneStatus::Kept:
            return "kept";
        case GeneStatus::NotSelected:
            return "not selected";
        default:
            return "dropped";
    }
}

const char* status_reason(GeneStatus s) {
    switch (s) {
        case GeneStatus::NotSelected:
            return "not in the --genes list";
        case GeneStatus::DroppedMissing:
            return "missing value";
        case GeneStatus::DroppedTooMissing:
            return "missing values";
        case GeneStatus::DroppedFewValues:
            return "too few values";
        case GeneStatus::DroppedConstant:
            return "no variation";
        default:
            return "";
    }
}

std::size_t Prepared::count(GeneStatus s) const {
    return static_cast<std::size_t>(std::count(status.begin(), status.end(), s));
}

std::string Prepared::reason(std::size_t g) const {
    const GeneStatus s = status[g];
    const std::string counts = std::to_string(missing[g]) + " of " + std::to_string(used);
    if (s == GeneStatus::DroppedTooMissing)
        return std::string(status_reason(s)) + ": " + counts + " (> " + shortest_text(max_missing) +
               ")";
    if (s == GeneStatus::DroppedFewValues)
        return std::string(status_reason(s)) + ": " + counts +
               " missing (a fit needs 2 values)";
    return status_reason(s);
}

Prepared prepare_genes(const NamedTable& table, const Design& design, const GeneOptions& o) {
    if (design.holes() > 0 && o.missing != MissingRule::Model)
        throw RunError(kExitInput, design.how + ": a time point lacks a replicate another has; "
                                                "give --missing model to take the absent ones "
                                                "as missing values of every gene");
    Prepared p;
    p.NTIME = design.NTIME;
    p.NREP = design.NREP;
    p.max_missing = o.max_missing;
    try {
        const std::vector<bool> listed =
            o.genes != nullptr ? listed_genes(table, *o.genes, p.list_header) : std::vector<bool>();
        std::vector<std::size_t> used = design.samples();
        std::sort(used.begin(), used.end());
        p.used = used.size();
        if (o.missing == MissingRule::Model) refuse_empty_column(table, used, listed);
        p.libraries = survey_libraries(table, used, listed);
        if (o.normalise == Normalise::Cpm)
            check_cpm(table, used, p.libraries);
        else
            p.note = library_note(table, p.libraries);
        std::vector<double> values;
        p.status.reserve(table.genes());
        p.missing.reserve(table.genes());
        for (std::size_t g = 0; g < table.genes(); ++g) {
            GeneStatus s = GeneStatus::NotSelected;
            std::size_t missing = 0;
            if (o.genes == nullptr || listed[g])
                s = gene_values(table, design, o, used, p.libraries, g, values, missing);
            p.status.push_back(s);
            p.missing.push_back(missing);
            if (s != GeneStatus::Kept) continue;
            p.kept.push_back(g);
            p.ids.push_back(table.ids[g]);
            p.lines.push_back(table.lines[g]);
        }
        const std::size_t rows = design.NTIME * design.NREP;
        p.MODTCELL44.resize(static_cast<long long>(rows), static_cast<long long>(p.kept.size()));
        for (std::size_t k = 0; k < p.kept.size(); ++k) {
            std::size_t missing = 0;
            gene_values(table, design, o, used, p.libraries, p.kept[k], values, missing);
            std::copy(values.begin(), values.end(), p.MODTCELL44.data() + k * rows);
        }
    } catch (const std::bad_alloc&) {
        throw RunError(kExitInput, table.name + ": out of memory while preparing the genes");
    } catch (const std::length_error&) {
        throw RunError(kExitInput, table.name + ": out of memory while preparing the genes");
    }
    return p;
}

}  // namespace coswitch
