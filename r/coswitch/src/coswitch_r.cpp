// The R side of the coswitch library: R's matrix and design in, data frames
// holding exactly the numbers the scan folder's tables hold out.
#include <Rcpp.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "coswitch/coswitch.hpp"
#include "io/errors.hpp"
#include "io/number_text.hpp"
#include "table/cell_value.hpp"
#include "table/named_table.hpp"

namespace api = coswitch::api;

namespace {

// A number as the tables print it with `decimals` fixed decimals, read back:
// the data frames then hold what a reader of pairs.tsv or genes.tsv gets.
double as_printed(double v, int decimals) {
    if (!std::isfinite(v)) return v;
    std::string text;
    coswitch::append_fixed(text, v, decimals);
    double out = v;
    coswitch::read_cell(text, out);
    return out;
}

// An adjusted p-value as the tables print it (kAdjustedDigits significant
// digits), read back.
double as_printed_adjusted(double v) {
    if (!std::isfinite(v)) return v;
    std::string text;
    coswitch::append_significant(text, v, coswitch::kAdjustedDigits);
    double out = v;
    coswitch::read_cell(text, out);
    return out;
}

// genes.tsv says NA where a gene has no value; R's NA is what a reader of it gets.
double or_na(double v) { return std::isnan(v) ? NA_REAL : v; }

std::string text_of(SEXP list, const char* name) {
    return Rcpp::as<std::string>(Rcpp::List(list)[name]);
}

api::Settings settings_of(const Rcpp::List& s) {
    api::Settings o;
    o.genes = Rcpp::as<std::vector<std::string>>(s["genes"]);
    o.missing = text_of(s, "missing");
    o.max_missing = Rcpp::as<double>(s["max_missing"]);
    o.transform = text_of(s, "transform");
    o.normalise = text_of(s, "normalise");
    o.bootstrap = Rcpp::as<int>(s["bootstrap"]);
    o.null = text_of(s, "null");
    o.threads = Rcpp::as<int>(s["threads"]);
    o.fdr = Rcpp::as<double>(s["fdr"]);
    o.report_pairs = Rcpp::as<int>(s["report_pairs"]);
    o.gzip = Rcpp::as<bool>(s["gzip"]);
    return o;
}

// R's matrix is stored column by column, the library's row by row.
api::Matrix matrix_of(const Rcpp::NumericMatrix& x, const Rcpp::CharacterVector& genes,
                      const Rcpp::CharacterVector& samples) {
    api::Matrix m;
    m.genes = Rcpp::as<std::vector<std::string>>(genes);
    m.samples = Rcpp::as<std::vector<std::string>>(samples);
    const R_xlen_t rows = x.nrow(), cols = x.ncol();
    m.values.resize(static_cast<std::size_t>(rows * cols));
    for (R_xlen_t g = 0; g < rows; ++g)
        for (R_xlen_t s = 0; s < cols; ++s)
            m.values[static_cast<std::size_t>(g * cols + s)] = x(g, s);
    return m;
}

Rcpp::DataFrame pairs_frame(const std::vector<api::Pair>& pairs, bool notes) {
    const R_xlen_t n = static_cast<R_xlen_t>(pairs.size());
    Rcpp::NumericVector rank(n), stat_new(n), p_new(n), p_new_bh(n), stat_corr(n), p_corr(n),
        p_corr_bh(n), r(n);
    Rcpp::CharacterVector gene1(n), gene2(n), phase(n), note(n);
    Rcpp::LogicalVector switching1(n), switching2(n);
    for (R_xlen_t k = 0; k < n; ++k) {
        const api::Pair& p = pairs[static_cast<std::size_t>(k)];
        rank[k] = static_cast<double>(p.rank);
        gene1[k] = p.gene1;
        gene2[k] = p.gene2;
        // Statistics and r have 8 decimals in pairs.tsv; the p-values are
        // printed as the shortest text of the same double, so they need no rounding.
        stat_new[k] = as_printed(p.stat_new, 8);
        p_new[k] = p.p_new;
        p_new_bh[k] = as_printed_adjusted(p.p_new_bh);
        stat_corr[k] = as_printed(p.stat_corr, 8);
        p_corr[k] = p.p_corr;
        p_corr_bh[k] = as_printed_adjusted(p.p_corr_bh);
        r[k] = as_printed(p.r, 8);
        phase[k] = p.phase == "NA" ? Rcpp::String(NA_STRING) : Rcpp::String(p.phase);
        switching1[k] = p.switching1;
        switching2[k] = p.switching2;
        note[k] = p.note;
    }
    // Ranks fit R's integers below 2^31 pairs (about 65,000 genes).
    Rcpp::RObject ranks = rank;
    if (n < INT_MAX) ranks = Rcpp::as<Rcpp::IntegerVector>(rank);
    Rcpp::List columns = Rcpp::List::create(
        Rcpp::Named("rank") = ranks, Rcpp::Named("gene1") = gene1, Rcpp::Named("gene2") = gene2,
        Rcpp::Named("stat_new") = stat_new, Rcpp::Named("p_new") = p_new,
        Rcpp::Named("p_new_bh") = p_new_bh, Rcpp::Named("stat_corr") = stat_corr,
        Rcpp::Named("p_corr") = p_corr, Rcpp::Named("p_corr_bh") = p_corr_bh,
        Rcpp::Named("r") = r, Rcpp::Named("phase") = phase,
        Rcpp::Named("switching1") = switching1, Rcpp::Named("switching2") = switching2);
    // With missing values pairs.tsv ends in a note: why a correlation is NaN.
    if (notes) columns.push_back(note, "note");
    Rcpp::DataFrame frame(columns);
    return frame;
}

Rcpp::DataFrame genes_frame(const std::vector<api::Gene>& genes) {
    const R_xlen_t n = static_cast<R_xlen_t>(genes.size());
    Rcpp::CharacterVector id(n), status(n), reason(n);
    Rcpp::IntegerVector line(n), index(n), missing(n);
    Rcpp::NumericVector mean0(n), sd0(n), mean1(n), sd1(n), weight1(n), bic_gain(n),
        persistence(n), persistence_p(n);
    Rcpp::LogicalVector switching(n);
    for (R_xlen_t k = 0; k < n; ++k) {
        const api::Gene& g = genes[static_cast<std::size_t>(k)];
        id[k] = g.id;
        // The line of the gene's row in a table file with a header row.
        line[k] = static_cast<int>(k + 2);
        status[k] = g.status;
        reason[k] = g.reason;
        const bool kept = g.index > 0;
        index[k] = kept ? g.index : NA_INTEGER;
        mean0[k] = or_na(g.mean0);
        sd0[k] = or_na(g.sd0);
        mean1[k] = or_na(g.mean1);
        sd1[k] = or_na(g.sd1);
        // Decimals as genes.tsv prints them: 4, 3, 4; the densities and the
        // persistence p-value are printed as the shortest text of the double.
        weight1[k] = or_na(as_printed(g.weight1, 4));
        bic_gain[k] = or_na(as_printed(g.bic_gain, 3));
        persistence[k] = or_na(as_printed(g.persistence, 4));
        persistence_p[k] = or_na(g.persistence_p);
        switching[k] = kept ? static_cast<int>(g.switching) : NA_LOGICAL;
        missing[k] = g.missing;
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("gene") = id, Rcpp::Named("line") = line, Rcpp::Named("status") = status,
        Rcpp::Named("reason") = reason, Rcpp::Named("index") = index,
        Rcpp::Named("mean0") = mean0, Rcpp::Named("sd0") = sd0, Rcpp::Named("mean1") = mean1,
        Rcpp::Named("sd1") = sd1, Rcpp::Named("weight1") = weight1,
        Rcpp::Named("bic_gain") = bic_gain, Rcpp::Named("persistence") = persistence,
        Rcpp::Named("persistence_p") = persistence_p, Rcpp::Named("switching") = switching,
        Rcpp::Named("missing") = missing, Rcpp::Named("stringsAsFactors") = false);
}

// The library's own failures come back to R as a message and the command
// line's exit status, which the R side raises as a classed condition.
Rcpp::List failure(const std::string& message, int status) {
    return Rcpp::List::create(Rcpp::Named("error") = message, Rcpp::Named("status") = status);
}

// Shows the pairs done on R's console and turns R's interrupt into the
// library's cancel flag; on the calling thread, a few times a second.
class Watch {
public:
    Watch(bool show, std::atomic<bool>& cancel) : show_(show), cancel_(cancel) {}

    void operator()(std::int64_t done, std::int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        try {
            Rcpp::checkUserInterrupt();
        } catch (const Rcpp::internal::InterruptedException&) {
            // The library stops at its next pair; R's interrupt is raised
            // once the run has unwound.
            interrupted_ = true;
            cancel_.store(true);
        }
        if (show_) {
            REprintf("\rcoswitch: %lld of %lld pairs", static_cast<long long>(done),
                     static_cast<long long>(total));
            shown_ = true;
        }
    }
    bool interrupted() const { return interrupted_; }
    void end_line() const {
        if (shown_) REprintf("\n");
    }

private:
    bool show_;
    std::atomic<bool>& cancel_;
    bool interrupted_ = false, shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace

// [[Rcpp::export(.scan)]]
Rcpp::List scan_r(Rcpp::NumericMatrix x, Rcpp::CharacterVector genes,
                  Rcpp::CharacterVector samples, Rcpp::NumericVector time,
                  Rcpp::Nullable<Rcpp::CharacterVector> replicate, Rcpp::List settings,
                  bool progress) {
    std::atomic<bool> cancel{false};
    Watch watch(progress, cancel);
    try {
        api::Design design;
        design.time = Rcpp::as<std::vector<double>>(time);
        if (replicate.isNotNull())
            design.replicate = Rcpp::as<std::vector<std::string>>(replicate.get());
        api::Control control;
        control.progress = [&](std::int64_t done, std::int64_t total) { watch(done, total); };
        control.cancel = &cancel;
        auto result = std::make_unique<api::Result>(
            api::scan(matrix_of(x, genes, samples), design, settings_of(settings), control));
        watch.end_line();
        Rcpp::List out = Rcpp::List::create(
            Rcpp::Named("pairs") = pairs_frame(result->pairs, result->pair_notes),
            Rcpp::Named("genes") = genes_frame(result->genes),
            Rcpp::Named("pooled_nulls") = static_cast<double>(result->pooled_nulls),
            Rcpp::Named("time_points") = result->time_points,
            Rcpp::Named("replicates") = result->replicates);
        out.attr("run") = Rcpp::XPtr<api::Result>(result.release(), true);
        return out;
    } catch (const api::Cancelled&) {
        watch.end_line();
        if (watch.interrupted()) throw Rcpp::internal::InterruptedException();
        return failure("the run was cancelled", coswitch::kExitInput);
    } catch (const api::Error& e) {
        watch.end_line();
        return failure(e.what(), e.status());
    }
}

// [[Rcpp::export(.write)]]
Rcpp::List write_r(SEXP run, std::string dir, std::string how) {
    if (TYPEOF(run) != EXTPTRSXP || R_ExternalPtrAddr(run) == nullptr)
        return failure("this result holds no run to write (a result read back from a file "
                       "does not: write the folder before saving the result)",
                       coswitch::kExitInput);
    try {
        Rcpp::XPtr<api::Result>(run)->write(dir, how);
        return Rcpp::List::create();
    } catch (const api::Error& e) {
        return failure(e.what(), e.status());
    }
}

// [[Rcpp::export(.read_table)]]
Rcpp::List read_table_r(std::string path) {
    try {
        const coswitch::NamedTable t = coswitch::read_named_table(path, path);
        const R_xlen_t genes = static_cast<R_xlen_t>(t.ids.size());
        const R_xlen_t samples = static_cast<R_xlen_t>(t.samples.size());
        Rcpp::NumericMatrix m(genes, samples);
        for (R_xlen_t g = 0; g < genes; ++g)
            for (R_xlen_t s = 0; s < samples; ++s) {
                const double v = t.value(static_cast<std::size_t>(g), static_cast<std::size_t>(s));
                m(g, s) = std::isnan(v) ? NA_REAL : v;
            }
        Rcpp::rownames(m) = Rcpp::wrap(t.ids);
        Rcpp::colnames(m) = Rcpp::wrap(t.samples);
        return Rcpp::List::create(Rcpp::Named("table") = m);
    } catch (const coswitch::RunError& e) {
        return failure(e.what(), e.status);
    }
}

// Text cells read as the library reads a table's cells (NA, NaN, empty:
// NA); NULL when a cell is no number.
// [[Rcpp::export(.read_cells)]]
SEXP read_cells_r(Rcpp::CharacterVector text) {
    Rcpp::NumericVector out(text.size());
    for (R_xlen_t k = 0; k < text.size(); ++k) {
        if (Rcpp::CharacterVector::is_na(text[k])) {
            out[k] = NA_REAL;
            continue;
        }
        double v = 0;
        switch (coswitch::read_cell(Rcpp::as<std::string>(text[k]), v)) {
            case coswitch::CellKind::Number: out[k] = v; break;
            case coswitch::CellKind::Missing: out[k] = NA_REAL; break;
            case coswitch::CellKind::Invalid: return R_NilValue;
        }
    }
    return out;
}

// [[Rcpp::export(.version)]]
std::string version_r() { return api::version(); }
