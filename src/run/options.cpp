#include "run/options.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "run/errors.hpp"

namespace coswitch {
namespace {
[[noreturn]] void bad(const std::string& message) {
    throw RunError(kExitInput, message + kHelpHint);
}

// The value of an option given as "--name value" or "--name=value".
std::string take_value(const std::vector<std::string>& args, std::size_t& k,
                       const std::string& name, const std::string& inline_value,
                       bool has_inline) {
    if (has_inline) return inline_value;
    if (k + 1 >= args.size()) bad("option " + name + " needs a value");
    return args[++k];
}
}  // namespace

int option_int(const std::string& name, const std::string& value) {
    std::size_t i = (!value.empty() && (value[0] == '+' || value[0] == '-')) ? 1 : 0;
    bool ok = i < value.size();
    for (std::size_t k = i; k < value.size(); ++k)
        if (value[k] < '0' || value[k] > '9') ok = false;
    if (ok) {
        errno = 0;
        const long long v = std::strtoll(value.c_str(), nullptr, 10);
        if (errno != ERANGE && v >= INT_MIN && v <= INT_MAX) return static_cast<int>(v);
    }
    bad("option " + name + ": \"" + value + "\" is not a whole number");
}

char option_mode(const std::string& name, const std::string& value) {
    if (value == "G" || value == "g") return 'G';
    if (value == "T" || value == "t") return 'T';
    bad("option " + name + ": \"" + value + "\" is not G (gene index) or T (time index)");
}

Options parse_options(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        std::string name = a;
        std::string inline_value;
        bool has_inline = false;
        if (a.rfind("--", 0) == 0) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                inline_value = a.substr(eq + 1);
                has_inline = true;
            }
        }
        auto value = [&]() { return take_value(args, k, name, inline_value, has_inline); };
        auto no_value = [&]() {
            if (has_inline) bad("option " + name + " takes no value");
        };
        if (name == "--help" || name == "-h") {
            no_value();
            o.help = true;
        } else if (name == "--version") {
            no_value();
            o.version = true;
        } else if (name == "--mode") {
            o.mode = option_mode(name, value());
        } else if (name == "--time-points") {
            o.ntime = option_int(name, value());
        } else if (name == "--replicates") {
            o.nrep = option_int(name, value());
        } else if (name == "--bootstrap") {
            o.nboot = option_int(name, value());
        } else if (name == "--genes") {
            o.ngene = option_int(name, value());
        } else if (name == "-C" || name == "--directory") {
            o.directory = value();
            if (o.directory.empty()) bad("option " + name + " needs a directory");
        } else if (name == "--threads") {
            o.threads = option_int(name, value());
            if (o.threads < 1) bad("option --threads: needs at least 1 thread");
        } else if (name == "--quiet") {
            no_value();
            o.progress = ProgressMode::Quiet;
        } else if (name == "--progress") {
            no_value();
            o.progress = ProgressMode::Plain;
        } else if (a.rfind("-", 0) == 0) {
            bad("unknown option " + name);
        } else {
            bad("unexpected argument \"" + a + "\"");
        }
    }
    return o;
}

RunParameters parameters_from_options(const Options& o) {
    std::string missing;
    auto need = [&](bool present, const char* name) {
        if (!present) missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    need(o.mode.has_value(), "--mode");
    need(o.ntime.has_value(), "--time-points");
    need(o.nrep.has_value(), "--replicates");
    need(o.nboot.has_value(), "--bootstrap");
    need(o.ngene.has_value(), "--genes");
    if (!missing.empty()) bad("the dialogue options must all be given; missing: " + missing);
    auto bound = [](const char* name, int value, int limit) {
        if (value > limit)
            bad("option " + std::string(name) + ": " + std::to_string(value) +
                " is above the limit of " + std::to_string(limit));
    };
    bound("--time-points", *o.ntime, 50);
    bound("--replicates", *o.nrep, 50);
    bound("--bootstrap", *o.nboot, 100);
    bound("--genes", *o.ngene, 60);
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
  --threads N          compute gene pairs on N threads (default: all cores);
                       the result files are the same for every N
  --quiet              no progress line
  --progress           plain progress lines on standard error, even when it
                       is not a terminal (by default a self-updating line is
                       shown only when standard error is a terminal)
  -h, --help           this text
  --version            the program's version

Subcommands (see 'coswitch fit --help' and 'coswitch summary --help'):
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
  1  a result file exists already or cannot be created or written
  2  a bad answer, option or input file

Example:
  coswitch --mode G --time-points 8 --replicates 3 --bootstrap 100 --genes 6 -C run1
)";
}

}  // namespace coswitch
