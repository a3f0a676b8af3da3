#include "report/scan_records.hpp"

#include <algorithm>

#include "engine/pair_order.hpp"
#include "io/numbers.hpp"
#include "io/quoted.hpp"
#include "io/number_text.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

std::string with_blank_lines(const std::string& text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        out += " " + text.substr(pos, end - pos) + "\n";
        pos = end + 1;
    }
    return out;
}

// Tab-free text for a cell (ids never hold tabs; commands may).
std::string cell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

std::size_t switching_genes(const ScanInputs& s) {
    std::size_t n = 0;
    for (const KeptGeneFit& f : s.fits)
        if (switching(f.bic_gain, f.persistence)) ++n;
    return n;
}

std::string time_densities_tsv(const ScanInputs& s) {
    std::string out = "time_index\tmean0\tsd0\tmean1\tsd1\n";
    for (int t = 1; t <= s.p.NTIME; ++t) {
        out += std::to_string(t);
        for (const auto* para : {&s.in.PARA1, &s.in.PARA2})
            for (int row = 1; row <= 2; ++row) {
                out += "\t";
                append_shortest(out, (*para)(row, t));
            }
        out += "\n";
    }
    return out;
}

std::string scan_inputs_text(const ScanInputs& s) {
    std::string out = " table: " + s.table_name + " (" + std::to_string(s.table_genes) +
                      " genes, " + std::to_string(s.table_samples) + " samples, " +
                      (s.separator == ',' ? "comma" : "tab") + "-separated)\n";
    if (s.row_names)
        out += " ids: the first column, which the header line does not name (one cell shorter "
               "than the rows, as R's write.table writes row names)\n";
    if (!s.list_header.empty()) out += " gene list: " + s.list_header + "\n";
    if (!s.normalised.empty()) out += " values: " + s.normalised + "\n";
    out += with_blank_lines(s.design_text);
    out += " genes: " + std::to_string(s.kept) + " kept, " + std::to_string(s.dropped) +
           " dropped";
    if (s.not_selected > 0) out += ", " + std::to_string(s.not_selected) + " not selected";
    // With fewer than 2 genes the run stops before the folder: no genes.tsv.
    out += s.p.NGENE >= 2 ? " (genes.tsv lists every gene of the run and why)\n" : "\n";
    if (s.missing_values > 0 || s.holes > 0)
        out += " missing values: " + std::to_string(s.missing_values) + " in the kept genes" +
               (s.holes > 0 ? ", besides the design's " + std::to_string(s.holes) +
                                  (s.holes == 1 ? " hole" : " holes")
                            : std::string()) +
               "; a missing value weighs the same for either state\n";
    out += " densities: " +
           std::string(s.densities_given ? "given (--para1, --para2)"
                                         : "a two-state fit per gene") +
           "; " + std::to_string(switching_genes(s)) + " of " + std::to_string(s.kept) +
           " genes switch (two states, or a state that persists over time)\n";
    out += " pairs: " + std::to_string(pair_count(s.p.NGENE)) + ", bootstrap replicates: " +
           std::to_string(s.p.NBOOT) + " per pair, null: " + null_model_name(s.p.null_model) +
           (s.p.null_model == NullModel::fixed
                ? " (every replicate simulated from the fit to the pair's observed data)\n"
                : " (each replicate simulated from the refit to the one before)\n");
    return out;
}

std::string genes_not_kept_text(const ScanInputs& s) {
    struct Reason {
        std::string why, examples;
        std::size_t count = 0;
    };
    std::vector<Reason> reasons;  // in the order first met
    for (const GeneReport& g : s.genes) {
        if (g.index != 0) continue;
        auto it = std::find_if(reasons.begin(), reasons.end(),
                               [&](const Reason& r) { return r.why == g.reason; });
        if (it == reasons.end()) it = reasons.insert(reasons.end(), Reason{g.reason, "", 0});
        if (++it->count <= 3)
            it->examples +=
                (it->count == 1 ? "" : ", ") + quoted(g.id) + " line " + std::to_string(g.line);
    }
    std::string out;
    for (const Reason& r : reasons)
        out += (out.empty() ? "" : "; ") + r.why + ": " + std::to_string(r.count) +
               (r.count == 1 ? " gene (" : " genes (") + r.examples +
               (r.count > 3 ? ", ...)" : ")");
    if (!s.empty_columns.empty()) {
        out += "; ";
        for (std::size_t k = 0; k < s.empty_columns.size() && k < 3; ++k)
            out += (k == 0 ? "" : ", ") + s.empty_columns[k];
        if (s.empty_columns.size() > 3)
            out += " and " + std::to_string(s.empty_columns.size() - 3) + " more";
        out += s.empty_columns.size() == 1 ? " is" : " are";
        out += " empty in every row (a separator at the end of the header line?)";
    }
    return out;
}

std::vector<GeneDensities> kept_gene_densities(const ScanInputs& s) {
    std::vector<GeneDensities> d;
    if (s.p.FLAG == 'T') return d;
    for (int g = 1; g <= s.p.NGENE; ++g)
        d.push_back({s.in.PARA1(1, g), s.in.PARA1(2, g), s.in.PARA2(1, g), s.in.PARA2(2, g)});
    return d;
}

std::string genes_tsv(const ScanInputs& s) {
    std::string out =
        "gene\tline\tstatus\treason\tindex\tmean0\tsd0\tmean1\tsd1\tweight1\tbic_gain\t"
        "persistence\tpersistence_p\tswitching\tmissing\n";
    const std::vector<GeneDensities> densities = kept_gene_densities(s);
    for (const GeneReport& g : s.genes) {
        // A --genes list keeps to its genes: the table's others are only counted (run.tsv).
        if (g.status == "not selected") continue;
        out += g.id + "\t" + std::to_string(g.line) + "\t" + g.status + "\t" + g.reason + "\t";
        const std::string missing = "\t" + std::to_string(g.missing) + "\n";
        if (g.index == 0) {
            out += "\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA" + missing;
            continue;
        }
        const KeptGeneFit& f = s.fits[static_cast<std::size_t>(g.index - 1)];
        out += std::to_string(g.index);
        if (densities.empty()) {
            out += "\tNA\tNA\tNA\tNA";
        } else {
            const GeneDensities& d = densities[static_cast<std::size_t>(g.index - 1)];
            for (const double v : {d.mean0, d.sd0, d.mean1, d.sd1}) {
                out += "\t";
                append_shortest(out, v);
            }
        }
        out += "\t";
        if (s.densities_given)
            out += "NA";
        else
            append_fixed(out, f.fit.weight1, 4);
        out += "\t";
        append_fixed(out, f.bic_gain, 3);
        out += "\t";
        append_fixed(out, f.persistence.lag1, 4);
        out += "\t";
        append_shortest(out, f.persistence.p);
        out += switching(f.bic_gain, f.persistence) ? "\tyes" : "\tno";
        out += missing;
    }
    return out;
}

std::string run_tsv(const ScanSettings& o, const ScanInputs& s, const RunRecord& r) {
    std::string command = "coswitch scan";
    for (const std::string& w : r.words) command += " " + shell_word(w);
    if (!r.caller.empty()) command = r.caller;
    std::vector<std::pair<std::string, std::string>> rows = {
        {"command", command},
        {"version", COSWITCH_VERSION},
        {"table", s.table_name},
        {"table_bytes", std::to_string(s.table_bytes)},
        {"table_sha256", s.table_sha256},
    };
    for (const InputFile& f : s.files) {
        rows.push_back({f.role + "_file", f.path});
        rows.push_back({f.role + "_sha256", f.sha256});
    }
    rows.insert(rows.end(), {
        {"columns", o.columns.empty() ? "all" : o.columns},
        {"design", s.design_how},
        {"time_points", std::to_string(s.p.NTIME)},
        {"replicates", std::to_string(s.p.NREP)},
        {"transform", o.transform},
        {"normalise", o.normalise},
        {"missing", o.missing},
        {"max_missing", o.missing == "model" ? shortest_text(o.max_missing) : "NA"},
        {"missing_values", std::to_string(s.missing_values)},
        {"design_holes", std::to_string(s.holes)},
        {"genes_in_table", std::to_string(s.table_genes)},
        {"genes_kept", std::to_string(s.kept)},
        {"genes_dropped", std::to_string(s.dropped)},
        {"genes_not_selected", std::to_string(s.not_selected)},
        {"densities", s.densities_given ? std::string("given, mode ") + s.p.FLAG +
                                              " (" + o.para1 + ", " + o.para2 + ")"
                                        : "fitted per gene"},
        {"pairs", std::to_string(pair_count(s.p.NGENE))},
        {"bootstrap", std::to_string(s.p.NBOOT)},
        {"null", null_model_name(s.p.null_model)},
        {"pooled_nulls", std::to_string(r.pooled)},
        {"p_values", "(count + 1) / (pooled_nulls + 1)"},
        {"fdr", shortest_text(o.fdr)},
        {"pairs_tsv", r.pairs_rule},
        {"pairs_tsv_rows", std::to_string(r.pairs_rows)},
        {"ranks", std::to_string(r.ranks)},
        {"threads", std::to_string(r.report.threads_started) + (r.ranks > 1 ? " on the first rank" : "")},
        {"capped_fits", std::to_string(r.report.capped_fits)},
        {"scaled_fits", std::to_string(r.scaled_fits)},
        {"seconds", fixed(r.seconds, 1)},
    });
    std::string out = "key\tvalue\n";
    for (const auto& [key, v] : rows) out += key + "\t" + cell(v) + "\n";
    return out;
}

}  // namespace coswitch
