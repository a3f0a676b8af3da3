#pragma once
// coswitch as a library: the analysis of `coswitch scan` on a table held in
// memory, for programs and for the Python and R packages built over it.
//
// Every gene pair of a time course is tested for dependent switching of the
// two genes' hidden low/high states (the dependence statistic) and for
// correlation, against a pooled parametric bootstrap. The same table and
// settings give the same numbers, bit for bit, as the command line, and
// `Result::write` writes the very folder `coswitch scan -o DIR` writes.
//
// Indices are 0-based. Errors are exceptions: coswitch::api::Error (bad
// input or settings, files), coswitch::api::Cancelled. The library never
// prints, never exits and installs no signal handler.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace coswitch::api {

// A genes x samples table; NaN marks a missing value.
struct Matrix {
    std::vector<std::string> genes;    // row ids: unique, no tab or line break
    std::vector<std::string> samples;  // column names
    std::vector<double> values;        // row by row: gene g, sample s at [g * samples.size() + s]
};

// Which time point and replicate each sample (column) is. A sample whose
// time is NaN is not used. Replicate labels order the replicates (by value
// when all are numbers, else as text); without labels (an empty vector)
// the samples of one time point are replicates 1, 2, ... in column order.
struct Design {
    std::vector<double> time;             // one per sample
    std::vector<std::string> replicate;   // one per sample, or none
};

// The settings of `coswitch scan`, by its option names.
struct Settings {
    std::vector<std::string> genes;  // --genes: only these ids (empty: every gene)
    std::string missing = "model";   // --missing model|drop|fail
    double max_missing = 0.2;        // --max-missing, with model
    std::string transform;           // --transform none|log2p1|log2 (empty: not given)
    std::string normalise = "none";  // --normalise none|cpm
    int bootstrap = 100;             // --bootstrap
    std::string null = "fixed";      // --null fixed|chained
    int threads = 0;                 // --threads (0: every core)
    double fdr = 0.05;               // --fdr, for the network files
    int report_pairs = 50;           // --report-pairs, for report.html
    bool gzip = false;               // --gzip, for Result::write
};

// A gene of the table, as genes.tsv lists it.
struct Gene {
    std::string id;
    std::string status;  // kept or dropped
    std::string reason;  // why not kept
    int index = 0;       // 1.. for kept genes: its number in the run; 0 otherwise
    // For kept genes (NaN otherwise): the densities used, the state-1 weight
    // of the two-state fit, its information-criterion gain, the persistence
    // of the gene's courses and its p-value.
    double mean0 = 0, sd0 = 0, mean1 = 0, sd1 = 0, weight1 = 0, bic_gain = 0;
    double persistence = 0, persistence_p = 0;
    bool switching = false;
    int missing = 0;     // its missing values among the samples the design uses
};

// A pair of kept genes, as pairs.tsv lists it.
struct Pair {
    std::int64_t rank = 0;  // 1.. by dependence p-value, then correlation p-value, then names
    std::string gene1, gene2;
    double stat_new = 0, p_new = 0, p_new_bh = 0;
    double stat_corr = 0, p_corr = 0, p_corr_bh = 0;
    double r = 0;       // the signed correlation
    std::string phase;  // in, anti or NA
    bool switching1 = false, switching2 = false;
    // Why r is NaN when a missing value is the cause (too few samples with
    // both values, or none that vary), as pairs.tsv's note; "" otherwise.
    std::string note;
};

struct Result {
    std::vector<Gene> genes;  // every gene of the run (of the table, or of Settings::genes), in table order
    std::vector<Pair> pairs;  // every pair of kept genes, best first
    std::int64_t pooled_nulls = 0;  // M: p-values are (count + 1) / (M + 1)
    // Some kept gene misses a value: pairs.tsv has a last column, note
    // (Pair::note), which a table of the pairs should carry too.
    bool pair_notes = false;
    int time_points = 0, replicates = 0;
    // Writes the folder `coswitch scan -o DIR` writes (dir must not exist);
    // `how` is recorded in its run.tsv as the command.
    void write(const std::string& dir, const std::string& how = "the coswitch library") const;

    struct State;
    std::shared_ptr<const State> state;
};

// How a run reports and is stopped. progress(done, total) is called on the
// calling thread now and then; when *cancel becomes true the run stops at
// the next pair and throws Cancelled.
struct Control {
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

class Error : public std::runtime_error {
public:
    Error(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }  // the command line's exit status for it
private:
    int status_;
};

class Cancelled : public std::runtime_error {
public:
    Cancelled() : std::runtime_error("the run was cancelled") {}
};

// The analysis of `coswitch scan`.
Result scan(const Matrix& data, const Design& design, const Settings& settings = {},
            const Control& control = {});

// Every gene's two-state fit and switching criterion, as genes.tsv gives
// them, without the pair analysis.
std::vector<Gene> fit_genes(const Matrix& data, const Design& design, const Settings& settings = {});

// The library's version, as `coswitch --version` names it.
std::string version();

}  // namespace coswitch::api
