#include "table/prepare.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>

#include "io/errors.hpp"
#include "io/number_text.hpp"
#include "table/delimited.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

// Which table genes the --genes list names; every listed id must be one.
std::vector<bool> listed_genes(const NamedTable& table, const GeneList& list) {
    std::unordered_map<std::string, std::size_t> row;
    for (std::size_t g = 0; g < table.genes(); ++g) row.emplace(table.ids[g], g);
    std::vector<bool> listed(table.genes(), false);
    std::string missing;
    std::size_t unknown = 0;
    for (std::size_t k = 0; k < list.ids.size(); ++k) {
        const auto it = row.find(list.ids[k]);
        if (it != row.end()) {
            listed[it->second] = true;
        } else if (++unknown <= 5) {
            missing += (unknown == 1 ? "" : ", ") + quoted(list.ids[k]) + " (line " +
                       std::to_string(list.lines[k]) + ")";
        }
    }
    if (unknown > 5) missing += " and " + std::to_string(unknown - 5) + " more";
    if (unknown > 0)
        throw RunError(kExitInput, list.name + ": " + std::to_string(unknown) + " id(s) not in " +
                                       table.name + ": " + missing);
    return listed;
}

// The transformed values of gene g over the design, or the reason it drops.
GeneStatus gene_values(const NamedTable& table, const Design& design, const GeneOptions& o,
                       const std::vector<std::size_t>& used_in_table_order,
                       const Libraries& libraries, std::size_t g, std::vector<double>& out) {
    for (std::size_t s : used_in_table_order) {
        if (!std::isnan(table.value(g, s))) continue;
        if (o.missing == MissingRule::Drop) return GeneStatus::DroppedMissing;
        throw RunError(kExitInput, at_line(table.name, table.lines[g]) + "gene " +
                                       quoted(table.ids[g]) + ": missing value in " +
                                       describe_column(table, s) + " (--missing fail)");
    }
    out.clear();
    for (std::size_t s : design.columns) {
        double x = table.value(g, s);
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
                                                : ""));
        out.push_back(y);
    }
    for (double y : out)
        if (y != out[0]) return GeneStatus::Kept;
    return GeneStatus::DroppedConstant;
}

}  // namespace

MissingRule parse_missing_rule(const std::string& word) {
    if (word == "drop") return MissingRule::Drop;
    if (word == "fail") return MissingRule::Fail;
    throw RunError(kExitInput, "--missing: " + quoted(word) + " is not drop or fail");
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
        case GeneStatus::DroppedConstant:
            return "no variation";
        default:
            return "";
    }
}

std::size_t Prepared::count(GeneStatus s) const {
    return static_cast<std::size_t>(std::count(status.begin(), status.end(), s));
}

Prepared prepare_genes(const NamedTable& table, const Design& design, const GeneOptions& o) {
    Prepared p;
    p.NTIME = design.NTIME;
    p.NREP = design.NREP;
    try {
        const std::vector<bool> listed =
            o.genes != nullptr ? listed_genes(table, *o.genes) : std::vector<bool>();
        std::vector<std::size_t> used = design.columns;
        std::sort(used.begin(), used.end());
        p.libraries = survey_libraries(table, used, listed);
        if (o.normalise == Normalise::Cpm)
            check_cpm(table, used, p.libraries);
        else
            p.note = library_note(table, p.libraries);
        std::vector<double> values;
        p.status.reserve(table.genes());
        for (std::size_t g = 0; g < table.genes(); ++g) {
            GeneStatus s = GeneStatus::NotSelected;
            if (o.genes == nullptr || listed[g])
                s = gene_values(table, design, o, used, p.libraries, g, values);
            p.status.push_back(s);
            if (s != GeneStatus::Kept) continue;
            p.kept.push_back(g);
            p.ids.push_back(table.ids[g]);
            p.lines.push_back(table.lines[g]);
        }
        const std::size_t rows = design.NTIME * design.NREP;
        p.MODTCELL44.resize(static_cast<long long>(rows), static_cast<long long>(p.kept.size()));
        for (std::size_t k = 0; k < p.kept.size(); ++k) {
            gene_values(table, design, o, used, p.libraries, p.kept[k], values);
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
