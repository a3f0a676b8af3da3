#include <cstdio>
#include <string>
#include <vector>

#include "analysis/run_data.hpp"
#include "numeric/mixture.hpp"
#include "io/errors.hpp"
#include "io/files.hpp"
#include "io/new_file.hpp"
#include "run/readers.hpp"
#include "cli/option_words.hpp"
#include "cli/subcommands.hpp"
#include "run/work_arrays.hpp"

namespace coswitch {
namespace {

const char* const kFitUsage = R"(Usage: coswitch fit --mode G|T --time-points N --replicates N --genes N [-C DIR]

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
  -C, --directory DIR  read realdata.txt from and write the para files into DIR
  -h, --help           this text

Standard output: one line per column with the two means and standard
deviations, the weight of state 1, the separation |mean1 - mean0| /
sqrt((sd0^2 + sd1^2) / 2), and flags:
  poorly-separated  separation below 2 (an even mix of the two states would
                    have a single mode), or two states fit the column no
                    better than one normal density (Bayesian information
                    criterion): the states are hard to tell apart
  small-state       a state holds less than two values' worth of weight
  not-converged     500 iterations without reaching the tolerance
  unused            time mode with more genes than time points: columns after
                    the last time point, which the analysis reads but does
                    not use, hold the fit over all values

Existing para1.txt or para2.txt are never overwritten (exit status 1); the
two files appear together, and only when both are complete. A column whose
values are all equal, or whose fit is not finite, is an error (exit status 2).
)";

constexpr double kPoorSeparation = 2.0;
constexpr double kSmallStateWeight = 2.0;  // values' worth of weight


// Round-trips through the analysis' reader, to nine significant digits.
std::string number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

struct ColumnFit {
    MixtureFit fit;
    std::size_t values = 0;
    bool unused = false;
};

std::string flags_of(const ColumnFit& c) {
    std::string flags;
    auto add = [&](const char* f) {
        if (!flags.empty()) flags += ",";
        flags += f;
    };
    const double n = static_cast<double>(c.values);
    if (separation(c.fit) < kPoorSeparation || !two_states_supported(c.fit, c.values))
        add("poorly-separated");
    if (n * c.fit.weight1 < kSmallStateWeight || n * (1.0 - c.fit.weight1) < kSmallStateWeight)
        add("small-state");
    if (!c.fit.converged) add("not-converged");
    if (c.unused) add("unused");
    return flags;
}

// Writes both para files or neither; each appears only when complete, and
// neither replaces an existing file.
void write_para_files(const std::string& path1, const std::string& path2,
                      const std::string& text1, const std::string& text2) {
    NewFile f1, f2;
    f1.open(path1, path1);
    f2.open(path2, path2);
    f1.write(text1);
    f2.write(text2);
    commit_together({&f1, &f2});
}

}  // namespace

int fit_main(const std::vector<std::string>& args) {
    OptionWords a(args, "fit");
    char mode = 0;
    int ntime = 0, nrep = 0, ngene = 0;
    bool has_ntime = false, has_nrep = false, has_ngene = false;
    std::string dir;
    while (a.next()) {
        const std::string& n = a.name();
        if (n == "--help" || n == "-h") {
            a.no_value();
            std::fputs(kFitUsage, stdout);
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
    bound("--time-points", ntime, 50);
    bound("--replicates", nrep, 50);
    bound("--genes", ngene, 60);
    const bool time_mode = mode == 'T';
    if ((time_mode ? ngene : ntime) * nrep < 2)
        a.fail(std::string("a fit needs at least 2 values per ") +
               (time_mode ? "time point (genes x replicates)"
                          : "gene (time points x replicates)"));

    if (!dir.empty()) require_directory(dir);
    RunParameters p;
    p.FLAG = mode;
    p.NTIME = ntime;
    p.NREP = nrep;
    p.NGENE = ngene;
    Inputs in = naming_out_of_memory("sizing the input table", [&] { return sized_inputs(p); });
    read_realdata(dir, p, in);
    const std::string realdata = path_in(dir, "realdata.txt");

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
                                               number(x.front()) + "), so two states cannot be fitted");
            cf.values = x.size();
            cf.fit = fit_two_normals(x);
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
        means1 += sep + number(f.mean0);
        sds1 += sep + number(f.sd0);
        means2 += sep + number(f.mean1);
        sds2 += sep + number(f.sd1);
    }
    const std::string para1 = path_in(dir, "para1.txt"), para2 = path_in(dir, "para2.txt");
    write_para_files(para1, para2, means1 + "\n" + sds1 + "\n", means2 + "\n" + sds2 + "\n");

    std::printf(" %6s %12s %12s %12s %12s %8s %10s  %s\n", time_mode ? "time" : "gene", "mean0",
                "sd0", "mean1", "sd1", "weight1", "separation", "flags");
    for (int c = 1; c <= columns; ++c) {
        const ColumnFit& cf = fits[static_cast<std::size_t>(c - 1)];
        const MixtureFit& f = cf.fit;
        std::printf(" %6d %12.6g %12.6g %12.6g %12.6g %8.4f %10.3f", c, f.mean0, f.sd0, f.mean1,
                    f.sd1, f.weight1, separation(f));
        const std::string flags = flags_of(cf);
        if (!flags.empty()) std::printf("  %s", flags.c_str());
        std::printf("\n");
    }
    std::printf(" wrote para1.txt (state 0) and para2.txt (state 1), %d columns each\n", columns);
    return kExitOk;
}

}  // namespace coswitch
