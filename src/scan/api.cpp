// The public library over the scan layer: a table in memory in, the scan's
// genes and pairs out, and the folder of `coswitch scan` on request.
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <unordered_set>

#include "coswitch/coswitch.hpp"
#include "engine/pair_order.hpp"
#include "io/errors.hpp"
#include "io/new_file.hpp"
#include "io/numbers.hpp"
#include "report/pair_notes.hpp"
#include "report/pair_ranking.hpp"
#include "report/scan_folder.hpp"
#include "report/scan_records.hpp"
#include "scan/inputs.hpp"
#include "scan/run.hpp"
#include "table/labelled_design.hpp"
#include "table/prepare.hpp"
#include "table/printable.hpp"

namespace coswitch::api {

struct Result::State {
    ScanSettings settings;
    ScanInputs inputs;
    PairResults pairs;
    RankedPairs ranked;
    LoopReport report;
    long long scaled_fits = 0;
    double seconds = 0;
};

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const char* const kTableName = "the table";

[[noreturn]] void bad(const std::string& message) { throw Error(kExitInput, message); }

// Runs f, turning the library's own failures into the public ones.
template <class F>
auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const RunError& e) {
        throw Error(e.status, e.what());
    } catch (const std::bad_alloc&) {
        throw Error(kExitFiles, "out of memory");
    }
}

NamedTable table_of(const Matrix& m) {
    const std::size_t genes = m.genes.size(), samples = m.samples.size();
    if (m.values.size() != genes * samples)
        bad("the table has " + std::to_string(m.values.size()) + " values for " +
            std::to_string(genes) + " genes x " + std::to_string(samples) + " samples");
    std::unordered_set<std::string> seen;
    for (const std::string& id : m.genes) {
        if (id.empty()) bad("a gene id is empty");
        if (id.find_first_of("\t\r\n") != std::string::npos)
            bad("gene id " + quoted(id) + " holds a tab or a line break");
        if (!seen.insert(id).second) bad("gene id " + quoted(id) + " is given twice");
    }
    for (double v : m.values)
        if (std::isinf(v)) bad("the table holds an infinite value");
    NamedTable t;
    t.name = kTableName;
    t.samples = m.samples;
    t.ids = m.genes;
    for (std::size_t g = 0; g < genes; ++g) t.lines.push_back(g + 2);  // as rows below a header
    t.values = m.values;
    return t;
}

coswitch::Design design_of(const Design& d, const NamedTable& t, bool holes_allowed) {
    const std::size_t samples = t.samples.size();
    if (d.time.size() != samples)
        bad("the design gives " + std::to_string(d.time.size()) + " times for " +
            std::to_string(samples) + " samples");
    if (!d.replicate.empty() && d.replicate.size() != samples)
        bad("the design gives " + std::to_string(d.replicate.size()) + " replicate labels for " +
            std::to_string(samples) + " samples");
    std::vector<LabelledSample> labelled;
    std::map<double, int> seen;  // replicates so far at each time
    for (std::size_t s = 0; s < samples; ++s) {
        if (std::isnan(d.time[s])) continue;
        if (std::isinf(d.time[s])) bad("the design gives sample " + quoted(t.samples[s]) + " an infinite time");
        LabelledSample l;
        l.sample = s;
        l.time = shortest_text(d.time[s]);
        l.time_value = d.time[s];
        l.replicate = d.replicate.empty() ? std::to_string(++seen[d.time[s]]) : d.replicate[s];
        l.where = "sample " + quoted(t.samples[s]);
        labelled.push_back(std::move(l));
    }
    if (labelled.empty()) bad("the design uses no sample: every time is NaN");
    return design_from_labels(labelled, "the design given with the table",
                              "the time and replicate labels", holes_allowed);
}

ScanSettings settings_of(const Settings& in) {
    ScanSettings o;
    o.missing = in.missing;
    if (!(in.max_missing >= 0 && in.max_missing <= 1)) bad("max_missing: needs a share from 0 to 1");
    o.max_missing = in.max_missing;
    o.transform_given = !in.transform.empty();
    o.transform = in.transform.empty() ? "none" : in.transform;
    o.normalise = in.normalise;
    if (in.bootstrap < 0) bad("bootstrap: needs 0 or more replicates");
    o.bootstrap = in.bootstrap;
    if (in.null != "fixed" && in.null != "chained")
        bad("null: \"" + in.null + "\" is not one of fixed, chained");
    o.null_model = in.null == "fixed" ? NullModel::fixed : NullModel::chained;
    if (in.threads < 0) bad("threads: needs 0 (every core) or more");
    o.threads = in.threads;
    if (!(in.fdr >= 0 && in.fdr <= 1)) bad("fdr: needs a level from 0 to 1");
    o.fdr = in.fdr;
    if (in.report_pairs < 0) bad("report_pairs: needs 0 or more");
    o.report_pairs = in.report_pairs;
    o.gzip = in.gzip;
    return o;
}

ScanInputs inputs_of(const Matrix& data, const Design& design, const ScanSettings& o,
                     const Settings& in) {
    NamedTable table = table_of(data);
    const coswitch::Design d =
        design_of(design, table, parse_missing_rule(o.missing) == MissingRule::Model);
    GeneList list;
    list.name = "the gene list";
    for (std::size_t k = 0; k < in.genes.size(); ++k) {
        list.ids.push_back(in.genes[k]);
        list.lines.push_back(k + 1);
    }
    return scan_inputs(std::move(table), d, o, in.genes.empty() ? nullptr : &list);
}

std::vector<Gene> genes_of(const ScanInputs& s) {
    const std::vector<GeneDensities> densities = kept_gene_densities(s);
    std::vector<Gene> out;
    out.reserve(s.genes.size());
    for (const GeneReport& r : s.genes) {
        if (r.status == "not selected") continue;  // as genes.tsv
        Gene g;
        g.id = r.id;
        g.status = r.status;
        g.reason = r.reason;
        g.index = r.index;
        g.missing = static_cast<int>(r.missing);
        g.mean0 = g.sd0 = g.mean1 = g.sd1 = g.weight1 = g.bic_gain = kNaN;
        g.persistence = g.persistence_p = kNaN;
        if (r.index > 0) {
            const auto k = static_cast<std::size_t>(r.index - 1);
            const KeptGeneFit& f = s.fits[k];
            if (!densities.empty()) {
                g.mean0 = densities[k].mean0;
                g.sd0 = densities[k].sd0;
                g.mean1 = densities[k].mean1;
                g.sd1 = densities[k].sd1;
            }
            g.weight1 = s.densities_given ? kNaN : f.fit.weight1;
            g.bic_gain = f.bic_gain;
            g.persistence = f.persistence.lag1;
            g.persistence_p = f.persistence.p;
            g.switching = switching(f.bic_gain, f.persistence);
        }
        out.push_back(std::move(g));
    }
    return out;
}

std::vector<Pair> pairs_of(const PairResults& r, const PairNotes& notes) {
    std::vector<Pair> out;
    out.reserve(static_cast<std::size_t>(r.pairs()));
    for_each_pair(r, 0, r.pairs(), [&](const PairValues& v) {
        Pair p;
        p.rank = v.position + 1;
        p.gene1 = r.names[static_cast<std::size_t>(v.genes.i - 1)];
        p.gene2 = r.names[static_cast<std::size_t>(v.genes.j - 1)];
        p.stat_new = v.stat_new;
        p.p_new = pooled_pvalue(v.count_new, r.M);
        p.p_new_bh = v.bh_new;
        p.stat_corr = v.stat_corr;
        p.p_corr = pooled_pvalue(v.count_corr, r.M);
        p.p_corr_bh = v.bh_corr;
        p.r = v.r;
        p.phase = phase_word(v.phase);
        p.switching1 = r.switching[static_cast<std::size_t>(v.genes.i - 1)] != 0;
        p.switching2 = r.switching[static_cast<std::size_t>(v.genes.j - 1)] != 0;
        p.note = notes.note(v.genes.i, v.genes.j, p.r);
        out.push_back(std::move(p));
    });
    return out;
}

}  // namespace

Result scan(const Matrix& data, const Design& design, const Settings& settings,
            const Control& control) {
    return guarded([&] {
        const auto started = std::chrono::steady_clock::now();
        auto state = std::make_shared<Result::State>();
        state->settings = settings_of(settings);
        state->inputs = inputs_of(data, design, state->settings, settings);
        const ScanInputs& s = state->inputs;
        if (s.p.NGENE < 2)
            bad(std::to_string(s.p.NGENE) + " gene" + (s.p.NGENE == 1 ? "" : "s") +
                " kept, so there is no pair to test");
        PooledRun how;
        how.threads = state->settings.threads;
        how.progress = [&](std::int64_t done, std::int64_t of) {
            if (control.cancel != nullptr && control.cancel->load()) throw Cancelled();
            if (control.progress) control.progress(done, of);
        };
        ScanResult run = run_scan(s, how);
        state->report = run.report;
        state->scaled_fits = run.scaled_fits;
        state->pairs = std::move(run.results);
        state->ranked = rank_pairs(state->pairs, state->settings.threads);
        state->seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        Result out;
        out.genes = genes_of(s);
        out.pairs = pairs_of(state->pairs, PairNotes(s.p, s.in));
        out.pooled_nulls = state->pairs.M;
        out.pair_notes = PairNotes(s.p, s.in).active();
        out.time_points = s.p.NTIME;
        out.replicates = s.p.NREP;
        out.state = std::move(state);
        return out;
    });
}

void Result::write(const std::string& dir, const std::string& how) const {
    if (!state) throw Error(kExitInput, "this result holds no run to write");
    guarded([&] {
        const State& st = *state;
        NewDirectory folder;
        folder.open(dir, dir);
        RunRecord record;
        record.caller = how;
        record.report = st.report;
        record.pooled = st.pairs.M;
        record.scaled_fits = st.scaled_fits;
        record.seconds = st.seconds;
        write_scan_folder(folder, st.settings, st.inputs, st.pairs, st.ranked, record);
        folder.commit();
        return 0;
    });
}

std::vector<Gene> fit_genes(const Matrix& data, const Design& design, const Settings& settings) {
    return guarded([&] {
        const ScanSettings o = settings_of(settings);
        return genes_of(inputs_of(data, design, o, settings));
    });
}

std::string version() { return COSWITCH_VERSION; }

}  // namespace coswitch::api
