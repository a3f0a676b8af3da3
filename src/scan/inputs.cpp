#include "scan/inputs.hpp"

#include <climits>
#include <cmath>
#include <new>

#include "io/checksum.hpp"
#include "io/errors.hpp"
#include "io/files.hpp"
#include "io/numbers.hpp"
#include "run/readers.hpp"
#include "table/columns.hpp"
#include "table/design.hpp"
#include "table/design_check.hpp"
#include "table/design_file.hpp"
#include "table/design_samples.hpp"
#include "table/gene_list.hpp"
#include "table/named_table.hpp"
#include "table/normalise.hpp"
#include "table/prepare.hpp"

namespace coswitch {
namespace {

Design make_design(const ScanSettings& o, const NamedTable& table,
                   const std::vector<std::size_t>& selected) {
    // A time point without one of the replicates: missing values, when they can be modelled.
    const bool holes = parse_missing_rule(o.missing) == MissingRule::Model;
    if (!o.design.empty()) return design_from_file(table, selected, o.design, o.design, holes);
    if (!o.samples.empty()) return design_from_samples(table, selected, o.samples, holes);
    // Column order, checked against the names: ZT0_R1, ZT0_R2 are not two
    // time points, t3, t4, t5 not one.
    if (!o.replicates) check_names_without_design(table, selected);
    const Design d =
        design_by_order(table, selected, o.replicates ? static_cast<std::size_t>(*o.replicates) : 1);
    check_replicate_groups(table, selected, d);
    return d;
}

int as_count(std::size_t n, const char* what) {
    if (n > static_cast<std::size_t>(INT_MAX))
        throw RunError(kExitInput, std::string("too many ") + what + " for one run: " +
                                       std::to_string(n));
    return static_cast<int>(n);
}

// Numbers in a free-form file: blanks, tabs, commas and line ends separate them.
std::size_t count_values(const std::string& text) {
    std::size_t n = 0;
    bool in_value = false;
    for (char c : text) {
        const bool sep = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
        if (!sep && !in_value) ++n;
        in_value = !sep;
    }
    return n;
}

// Given densities in the classic layout: means, then standard deviations,
// `columns` of each; in time mode the classic width max(genes, time points)
// is accepted too.
void read_given_para(const std::string& path, const std::string& name, const RunParameters& p,
                     Array<double, 2>& para) {
    const int wide = parameter_columns(p);
    const int narrow = p.FLAG == 'T' ? p.NTIME : p.NGENE;
    const std::size_t found = count_values(read_whole_file(path, name));
    int columns = narrow;
    if (found == 2 * static_cast<std::size_t>(wide))
        columns = wide;
    else if (found != 2 * static_cast<std::size_t>(narrow))
        throw RunError(kExitInput,
                       name + ": holds " + std::to_string(found) + " values; expected 2 x " +
                           std::to_string(narrow) + " (means, then standard deviations, one per " +
                           (p.FLAG == 'T' ? "time point" : "kept gene") + ")");
    para.resize(2, wide);
    for (int c = columns + 1; c <= wide; ++c) {  // read by the classic run, never used
        para(1, c) = 0.0;
        para(2, c) = 1.0;
    }
    read_free_form(
        path, name, 2, columns, [&](int row, int c, double v) { para(row, c) = v; },
        [](int row) { return std::string(row == 1 ? "the means" : "the standard deviations"); });
    for (int c = 1; c <= columns; ++c)
        if (para(2, c) < 0)
            throw RunError(kExitInput, name + ": standard deviation " + shortest_text(para(2, c)) +
                                           " in column " + std::to_string(c) +
                                           " is negative");
}

// The kept gene's values, time point by time point, replicate fastest.
void gene_values(const RunParameters& p, const Inputs& in, int g, std::vector<double>& values) {
    values.clear();
    for (int m = 1; m <= p.NTIME * p.NREP; ++m) values.push_back(in.MODTCELL44(m, g));
}

// Raw counts analysed as they are give states as wide as the counts and
// pairs by library size: they need to be asked for.
void refuse_raw_counts(const ScanSettings& o, const std::string& table, const Libraries& l) {
    if (!l.raw_counts() || o.transform_given) return;
    throw RunError(kExitInput, table + ": the values look like raw counts (whole numbers from " +
                                   count_text(l.smallest) + " to " + count_text(l.largest) +
                                   "); give --normalise cpm --transform log2p1 to analyse log "
                                   "counts per million, or --transform none to analyse them as "
                                   "they are");
}

}  // namespace

ScanInputs scan_inputs(const ScanSettings& o) {
    NamedTable table = read_named_table(o.table, o.table);
    const std::vector<std::size_t> selected = select_columns(table, o.columns);
    const Design design = make_design(o, table, selected);
    GeneList list;
    if (!o.genes.empty()) list = read_gene_list(o.genes, o.genes);
    ScanInputs s = scan_inputs(std::move(table), design, o, o.genes.empty() ? nullptr : &list);
    s.table_sha256 = file_sha256(o.table, o.table);
    // Read and checked by now, so a fault has been named already.
    for (const auto& [role, path] : {std::pair{"design", &o.design}, std::pair{"genes", &o.genes},
                                     std::pair{"para1", &o.para1}, std::pair{"para2", &o.para2}})
        if (!path->empty()) s.files.push_back({role, *path, file_sha256(*path, *path)});
    return s;
}

ScanInputs scan_inputs(NamedTable table, const Design& design, const ScanSettings& o,
                       const GeneList* list) {
    ScanInputs s;
    s.table_name = table.name;
    s.table_bytes = table.file_bytes;
    s.table_genes = table.genes();
    s.table_samples = table.samples.size();
    s.separator = table.separator;
    s.row_names = table.row_names;
    s.design_how = design.how;
    s.design_text = design_text(design, table);
    s.design_tsv = design_tsv(design, table);

    GeneOptions go;
    go.genes = list;
    go.missing = parse_missing_rule(o.missing);
    go.max_missing = o.max_missing;
    go.transform = parse_transform(o.transform);
    go.normalise = parse_normalise(o.normalise);
    Prepared prep = prepare_genes(table, design, go);
    refuse_raw_counts(o, table.name, prep.libraries);
    s.note = prep.note;
    s.list_header = prep.list_header;
    if (go.normalise == Normalise::Cpm)
        s.normalised = "counts per million (--normalise cpm; sample sums from " +
                       count_text(prep.libraries.sums[prep.libraries.least]) + " to " +
                       count_text(prep.libraries.sums[prep.libraries.most]) + ")" +
                       (go.transform == Transform::None ? ""
                                                        : std::string(", then --transform ") +
                                                              transform_name(go.transform));

    s.p.FLAG = o.mode.value_or('G');
    s.p.NTIME = as_count(prep.NTIME, "time points");
    s.p.NREP = as_count(prep.NREP, "replicates");
    s.p.NGENE = as_count(prep.kept.size(), "genes");
    s.p.NBOOT = o.bootstrap;
    s.p.null_model = o.null_model;
    s.p.rescue_underflow = true;
    s.ids = prep.ids;
    std::vector<int> index(table.genes(), 0);
    for (std::size_t g = 0; g < prep.kept.size(); ++g) index[prep.kept[g]] = static_cast<int>(g) + 1;
    for (std::size_t k = 0; k < table.genes(); ++k) {
        GeneReport r;
        r.id = table.ids[k];
        r.line = table.lines[k];
        r.status = status_word(prep.status[k]);
        r.reason = prep.reason(k);
        r.index = index[k];
        r.missing = prep.missing[k];
        if (r.index != 0) s.missing_values += r.missing;
        s.genes.push_back(std::move(r));
    }
    s.kept = prep.count(GeneStatus::Kept);
    s.not_selected = prep.count(GeneStatus::NotSelected);
    s.dropped = table.genes() - s.kept - s.not_selected;
    if (s.kept < 2)
        for (const std::size_t c : design.samples()) {
            bool empty = table.genes() > 0;
            for (std::size_t g = 0; g < table.genes() && empty; ++g)
                empty = std::isnan(table.value(g, c));
            if (empty) s.empty_columns.push_back(describe_column(table, c));
        }
    s.holes = design.holes();
    s.in.MODTCELL44 = std::move(prep.MODTCELL44);
    mark_gaps(s.in);
    table = NamedTable();  // its values are no longer needed

    // Every kept gene's two-state fit: its densities unless given, and its
    // switching criterion in any case.
    std::vector<double> values;
    s.fits.resize(s.ids.size());
    for (int g = 1; g <= s.p.NGENE; ++g) {
        gene_values(s.p, s.in, g, values);
        const TwoStateFit t = fit_two_states(values, s.p.NTIME, s.p.NREP);
        s.fits[static_cast<std::size_t>(g - 1)] = {t.fit, t.persistence, t.bic_gain};
    }
    if (!o.para1.empty()) {
        s.densities_given = true;
        read_given_para(o.para1, o.para1, s.p, s.in.PARA1);
        read_given_para(o.para2, o.para2, s.p, s.in.PARA2);
    } else {
        s.in.PARA1.resize(2, s.p.NGENE);
        s.in.PARA2.resize(2, s.p.NGENE);
        for (int g = 1; g <= s.p.NGENE; ++g) {
            const MixtureFit& f = s.fits[static_cast<std::size_t>(g - 1)].fit;
            s.in.PARA1(1, g) = f.mean0;
            s.in.PARA1(2, g) = f.sd0;
            s.in.PARA2(1, g) = f.mean1;
            s.in.PARA2(2, g) = f.sd1;
        }
    }
    return s;
}

}  // namespace coswitch
