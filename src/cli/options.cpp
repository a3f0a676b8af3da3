#include "cli/options.hpp"

#include <cstdio>

#include "cli/option_words.hpp"
#include "io/errors.hpp"
#include "run/classic_limits.hpp"

namespace coswitch {
bool take_run_option(OptionWords& a, int& threads, ProgressMode& progress) {
    const std::string& n = a.name();
    if (n == "--threads") {
        threads = a.int_value();
        if (threads < 1) a.fail("option --threads: needs at least 1 thread");
    } else if (n == "--quiet") {
        a.no_value();
        progress = ProgressMode::Quiet;
    } else if (n == "--progress") {
        a.no_value();
        progress = ProgressMode::Plain;
    } else {
        return false;
    }
    return true;
}

bool took_help_or_version(OptionWords& a, const char* usage) {
    const std::string& n = a.name();
    if (n != "--help" && n != "-h" && n != "--version") return false;
    const bool version = n == "--version";
    a.no_value();
    std::fputs(version ? version_text().c_str() : usage, stdout);
    return true;
}

Options parse_options(const std::vector<std::string>& args) {
    Options o;
    OptionWords a(args, "");
    while (a.next()) {
        const std::string& n = a.name();
        if (n == "--help" || n == "-h") {
            a.no_value();
            o.help = true;
        } else if (n == "--version") {
            a.no_value();
            o.version = true;
        } else if (n == "--mode") {
            o.mode = a.mode_value();
        } else if (n == "--time-points") {
            o.ntime = a.int_value();
        } else if (n == "--replicates") {
            o.nrep = a.int_value();
        } else if (n == "--bootstrap") {
            o.nboot = a.int_value();
        } else if (n == "--genes") {
            o.ngene = a.int_value();
        } else if (n == "-C" || n == "--directory") {
            o.directory = a.directory_value();
        } else if (n == "--null") {
            const std::string v = a.value();
            if (v != "chained" && v != "fixed")
                a.fail("option --null: \"" + v + "\" is not one of chained, fixed");
            o.null_model = v == "fixed" ? NullModel::fixed : NullModel::chained;
        } else if (take_run_option(a, o.threads, o.progress)) {
        } else {
            a.reject();
        }
    }
    return o;
}

RunParameters parameters_from_options(const Options& o) {
    const std::string missing = missing_options({{o.mode.has_value(), "--mode"},
                                                 {o.ntime.has_value(), "--time-points"},
                                                 {o.nrep.has_value(), "--replicates"},
                                                 {o.nboot.has_value(), "--bootstrap"},
                                                 {o.ngene.has_value(), "--genes"}});
    if (!missing.empty())
        option_failure("", "the dialogue options must all be given; missing: " + missing);
    auto bound = [&](const char* name, int value, int limit) {
        if (value > limit)
            option_failure("", "option " + std::string(name) + ": " + std::to_string(value) +
                           " is above the limit of " + std::to_string(limit));
    };
    bound("--time-points", *o.ntime, kMaxTimePoints);
    bound("--replicates", *o.nrep, kMaxReplicates);
    bound("--bootstrap", *o.nboot, kMaxBootstrap);
    bound("--genes", *o.ngene, kMaxGenes);
    RunParameters p;
    p.FLAG = *o.mode;
    p.NTIME = *o.ntime;
    p.NREP = *o.nrep;
    p.NBOOT = *o.nboot;
    p.NGENE = *o.ngene;
    return p;
}

std::string version_text() { return std::string("coswitch ") + COSWITCH_VERSION + "\n"; }

std::string usage_text() {
    return R"(Usage: coswitch [OPTIONS]
       coswitch scan TABLE -o DIR [OPTIONS]
       coswitch simulate -o TABLE --genes N --time-points T [OPTIONS]
       coswitch plot DIR GENE1 GENE2 [-o FILE.svg]
       coswitch fit --mode G|T --time-points N --replicates N --genes N [-C DIR]
       coswitch summary [-C DIR] [--names FILE] [--top N] [--tsv FILE] [--svg FILE]

Tests every pair of genes of a time-course experiment for dependent switching
of their hidden low/high expression states, and for correlation, against a
pooled parametric bootstrap.

Without the five answer options the program asks its five questions on
standard input (mode, time points, replicates, bootstrap replicates, genes).

Options:
  --mode G|T           densities indexed by gene (G) or by time point (T)
  --time-points N      number of time points (at most 50)
  --replicates N       replicates per time point (at most 50)
  --bootstrap N        bootstrap replicates per gene pair (at most 100)
  --genes N            number of genes (at most 60)
                       (give all five or none; with all five nothing is asked
                       and nothing is written to standard output)
  -C, --directory DIR  read the inputs from and write the results into DIR
  --null chained|fixed what each pair's bootstrap replicates are simulated
                       from: each from the refit to the replicate before
                       (chained, the default), or all from the fit to the
                       pair's observed data (fixed)
  --threads N          compute gene pairs on N threads (default: all cores);
                       the result files are the same for every N
  --quiet              no progress line
  --progress           plain progress lines on standard error, even when it
                       is not a terminal (by default a self-updating line is
                       shown only when standard error is a terminal)
  -h, --help           this text
  --version            the program's version

Subcommands (see 'coswitch scan --help', 'coswitch simulate --help',
'coswitch plot --help', 'coswitch fit --help' and 'coswitch summary --help'):
  scan                 a named expression table (header row, a row per gene)
                       analysed into a new folder: ranked pairs with adjusted
                       p-values, genes, design, heatmap, report.html; any size
  plot                 one pair of a scan's folder drawn as its panel (SVG):
                       values over time and the inferred joint state
  simulate             a simulated experiment for scan, with its truth and
                       densities: genes switching by their own chains, some
                       pairs coupled
  fit                  estimate para1.txt and para2.txt from realdata.txt
  summary              rank the pairs of pvalue.txt with gene names and
                       adjusted p-values; tab-separated table, SVG heatmap

Input files (in the working directory, or DIR):
  realdata.txt   one line per time point and replicate (time 1 replicate 1,
                 time 1 replicate 2, ...), one column per gene
  para1.txt      state 0 (low) density: means on line 1, standard deviations
                 on line 2, one column per gene (or per time point with --mode T)
  para2.txt      state 1 (high) density, laid out the same way

Result files (created; the run never overwrites an existing one):
  output.txt     null statistics of every gene pair and bootstrap replicate
  pvalue.txt     observed statistics and pooled p-values of every gene pair

Exit status:
  0  success
  1  a result file exists already or cannot be created or written, standard
     output cannot be written, or memory ran out
  2  a bad answer, option or input file
  3  an internal check failed (a fault of the program, never of the input)

Example:
  coswitch --mode G --time-points 8 --replicates 3 --bootstrap 100 --genes 6 -C run1
)";
}

}  // namespace coswitch
