#include <unistd.h>

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "analysis/run_data.hpp"
#include "io/errors.hpp"
#include "io/files.hpp"
#include "io/new_file.hpp"
#include "io/text_out.hpp"
#include "numeric/mixture.hpp"
#include "numeric/switching.hpp"
#include "report/fit_report.hpp"
#include "report/pvalue_table.hpp"
#include "run/classic_limits.hpp"
#include "run/readers.hpp"
#include "cli/option_words.hpp"
#include "cli/options.hpp"
#include "cli/subcommands.hpp"
#include "run/work_arrays.hpp"

namespace coswitch {
namespace {

const char* const kFitUsage = R"(Usage: coswitch fit --mode G|T --time-points N --replicates N --genes N [-C DIR]
                    [--names FILE] [--tsv FILE|-]

Estimates the two expression-state densities from realdata.txt and writes
them as para1.txt (state 0, the lower mean) and para2.txt (state 1), ready
for the analysis with the same --mode, --time-points, --replicates, --genes.

Each column gets a two-component normal mixture fitted by EM: in gene mode
(G) one per gene over all its values, in time mode (T) one per time point
over the values of every gene at that time point. The fit starts from the
split at the median, stops when the log-likelihood changes by less than
1e-10 (relative) or after 500 iterations, and keeps each standard deviation
at or above 5% of the column's overall standard deviation. The same data
always give the same files.

Options:
  --mode G|T           densities indexed by gene (G) or by time point (T)
  --time-points N      number of time points (1 to 50)
  --replicates N       replicates per time point (1 to 50)
  --genes N            number of genes (1 to 60)
  -C, --directory DIR  read realdata.txt and a relative --names FILE from DIR,
                       and write the para files and a relative --tsv FILE
                       into DIR
  --names FILE         gene names, one per line in the column order of
                       realdata.txt, shown in the table (gene mode only)
  --tsv FILE           write the table as a tab-separated file with a header
                       row: column name mean0 sd0 mean1 sd1 weight1 bic_gain,
                       then persistence persistence_p switching (gene mode)
                       or two_state (time mode), then flags; - writes it to
                       standard output, and the table goes to standard error
  -h, --help           this text
  --version            the program's version

Standard output: one line per column with the two means and standard
deviations, the weight of state 1, and whether the column has two states:
  bic_gain       twice the log-likelihood gain of two states over one normal
                 density, less 3 log(n) for their three further parameters
                 (n values): positive when two states are worth their cost
  persistence    gene mode: lag-1 autocorrelation of the gene's courses over
                 time, each replicate's course about its own mean
  persistence_p  gene mode: share of 999 random time orders, and the order
                 itself, that persist at least as much (NaN with fewer than
                 3 time points)
  switching      gene mode: yes when bic_gain > 0 or persistence_p <= 0.01
  two_state      time mode, where a column has no course over time: yes when
                 bic_gain > 0
and flags:
  small-state    a state holds less than two values' worth of weight
  not-converged  500 iterations without reaching the tolerance
  unused         time mode with more genes than time points: columns after
                 the last time point, which the analysis reads but does not
                 use, hold the fit over all values

Existing para1.txt, para2.txt or --tsv files are never overwritten (exit
status 1); the files appear together, and only when all are complete. A
column whose values are all equal, or whose fit is not finite, is an error
(exit status 2).
)";

struct Output {
    std::string path;  // as it is reached from here, and named in diagnostics
    std::string text;
    NewFile file;
};

// Writes every file or none; each appears only when complete, and none
// replaces an existing file. A table for standard output goes out before
// any file appears: it cannot be taken back.
void write_outputs(std::deque<Output>& outputs, const std::string* to_stdout) {
    std::vector<NewFile*> files;
    for (Output& o : outputs) {
        o.file.open(o.path, o.path);
        files.push_back(&o.file);
    }
    for (Output& o : outputs) o.file.write(o.text);
    if (to_stdout != nullptr) {
        TextOut out;
        out.attach(STDOUT_FILENO, "standard output");
        out.write(*to_stdout);
        out.close();
    }
    commit_together(files);
}

}  // namespace

int fit_main(const std::vector<std::string>& args) {
    OptionWords a(args, "fit");
    char mode = 0;
    int ntime = 0, nrep = 0, ngene = 0;
    bool has_ntime = false, has_nrep = false, has_ngene = false;
    std::string dir, names_file, tsv_file;
    while (a.next()) {
        const std::string& n = a.name();
        if (took_help_or_version(a, kFitUsage)) {
            return kExitOk;
        } else if (n == "--mode") {
            mode = a.mode_value();
        } else if (n == "--time-points") {
            ntime = a.int_value();
            has_ntime = true;
        } else if (n == "--replicates") {
            nrep = a.int_value();
            has_nrep = true;
        } else if (n == "--genes") {
            ngene = a.int_value();
            has_ngene = true;
        } else if (n == "-C" || n == "--directory") {
            dir = a.directory_value();
        } else if (n == "--names") {
            names_file = a.nonempty_value("a file name");
        } else if (n == "--tsv") {
            tsv_file = a.nonempty_value("a file name");
        } else {
            a.reject();
        }
    }
    const std::string missing = missing_options({{mode != 0, "--mode"},
                                                 {has_ntime, "--time-points"},
                                                 {has_nrep, "--replicates"},
                                                 {has_ngene, "--genes"}});
    if (!missing.empty()) a.fail("missing " + missing);
    auto bound = [&](const char* name, int value, int limit) {
        if (value < 1 || value > limit)
            a.fail("option " + std::string(name) + ": " + std::to_string(value) +
                   " is outside 1 to " + std::to_string(limit));
    };
    bound("--time-points", ntime, kMaxTimePoints);
    bound("--replicates", nrep, kMaxReplicates);
    bound("--genes", ngene, kMaxGenes);
    const bool time_mode = mode == 'T';
    if ((time_mode ? ngene : ntime) * nrep < 2)
        a.fail(std::string("a fit needs at least 2 values per ") +
               (time_mode ? "time point (genes x replicates)"
                          : "gene (time points x replicates)"));
    if (time_mode && !names_file.empty())
        a.fail("option --names: names are of genes, and in time mode (--mode T) the "
               "columns are time points");

    if (!dir.empty()) require_directory(dir);
    RunParameters p;
    p.FLAG = mode;
    p.NTIME = ntime;
    p.NREP = nrep;
    p.NGENE = ngene;
    Inputs in = naming_out_of_memory("sizing the input table", [&] { return sized_inputs(p); });
    read_realdata(dir, p, in);
    const std::string realdata = path_in(dir, "realdata.txt");
    const std::string names_path = path_in(dir, names_file);
    const std::vector<std::string> names =
        names_file.empty() ? std::vector<std::string>{}
                           : naming_out_of_memory("reading " + names_path, [&] {
                                 return parse_names(read_whole_file(names_path, names_path),
                                                    names_path, ngene, kNamesOfRealdata);
                             });

    const int columns = parameter_columns(p);
    std::vector<ColumnFit> fits(static_cast<std::size_t>(columns));
    std::vector<double> x;
    naming_out_of_memory("fitting the columns of " + realdata, [&] {
        for (int c = 1; c <= columns; ++c) {
            x.clear();
            ColumnFit& cf = fits[static_cast<std::size_t>(c - 1)];
            if (!time_mode) {
                for (long long m = 1; m <= data_rows(p); ++m) x.push_back(in.MODTCELL44(m, c));
            } else if (c <= ntime) {
                for (int g = 1; g <= ngene; ++g)
                    for (int r = 1; r <= nrep; ++r) x.push_back(in.MODTCELL44((c - 1) * nrep + r, g));
            } else {
                cf.unused = true;
                for (int g = 1; g <= ngene; ++g)
                    for (long long m = 1; m <= data_rows(p); ++m) x.push_back(in.MODTCELL44(m, g));
            }
            // Unused columns pool every value: they vary when the time points do.
            if (!has_variation(x))
                throw RunError(kExitInput, realdata + ": " +
                                               (time_mode ? "time point " : "gene ") +
                                               std::to_string(c) + " has no variation (every value is " +
                                               nine_digits(x.front()) + "), so two states cannot be fitted");
            cf.values = x.size();
            // A gene's values are its courses: time point by time point, replicates within.
            static_cast<TwoStateFit&>(cf) = time_mode ? fit_two_states(x) : fit_two_states(x, ntime, nrep);
            // The analysis refuses what is not a number, so it is never written.
            if (!fit_is_finite(cf.fit))
                throw RunError(kExitInput, realdata + ": " + (time_mode ? "time point " : "gene ") +
                                               std::to_string(c) +
                                               " cannot be fitted (a mean or standard deviation "
                                               "comes out infinite or not a number); nothing written");
        }
    });

    std::string means1, sds1, means2, sds2;
    for (int c = 0; c < columns; ++c) {
        const MixtureFit& f = fits[static_cast<std::size_t>(c)].fit;
        const char* sep = c == 0 ? "" : " ";
        means1 += sep + nine_digits(f.mean0);
        sds1 += sep + nine_digits(f.sd0);
        means2 += sep + nine_digits(f.mean1);
        sds2 += sep + nine_digits(f.sd1);
    }
    std::deque<Output> outputs;
    auto output = [&](const std::string& path, std::string text) {
        Output& o = outputs.emplace_back();
        o.path = path;
        o.text = std::move(text);
    };
    output(path_in(dir, "para1.txt"), means1 + "\n" + sds1 + "\n");
    output(path_in(dir, "para2.txt"), means2 + "\n" + sds2 + "\n");
    const bool tsv_to_stdout = tsv_file == "-";
    std::string tsv_text;
    if (tsv_to_stdout)
        tsv_text = fit_tsv(fits, time_mode, names);
    else if (!tsv_file.empty())
        output(path_in(dir, tsv_file), fit_tsv(fits, time_mode, names));
    write_outputs(outputs, tsv_to_stdout ? &tsv_text : nullptr);

    // Standard output carries nothing but the table when it has it.
    std::FILE* report = tsv_to_stdout ? stderr : stdout;
    std::fputs(fit_table(fits, time_mode, names).c_str(), report);
    std::fprintf(report, " wrote para1.txt (state 0) and para2.txt (state 1), %d columns each\n",
                 columns);
    if (!tsv_file.empty() && !tsv_to_stdout) std::fprintf(report, " wrote %s\n", tsv_file.c_str());
    return kExitOk;
}

}  // namespace coswitch
