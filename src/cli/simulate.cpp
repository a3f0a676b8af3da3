#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "cli/option_words.hpp"
#include "cli/options.hpp"
#include "cli/subcommands.hpp"
#include "io/errors.hpp"
#include "io/new_file.hpp"
#include "io/numbers.hpp"
#include "io/quoted.hpp"
#include "simulate/simulate.hpp"

namespace coswitch {
namespace {

const char* const kSimulateUsage = R"(Usage: coswitch simulate -o TABLE --genes N --time-points T [OPTIONS]

Simulates a time-course experiment with a known answer: every gene switches
between a low and a high state by its own two-state chain, and in coupled
pairs one gene follows the other. The table reads into 'coswitch scan' as it
is, to plan time points and replicates or to see how far its p-values hold.

The design:
  --genes N            genes (ids g1, g2, ..., padded to one width)
  --time-points T      time points (at least 2)
  --replicates R       replicates per time point (default 1); samples are
                       named t1_r1, t1_r2, ..., tT_rR, time point by time point
  --switch P|LO..HI    each gene's probability of leaving its state between
                       consecutive time points: P for every gene, or drawn
                       per gene uniformly from LO to HI (default 0.2); the
                       first state is low or high with probability 1/2 each
  --coupled K          K coupled pairs, genes 1-2, 3-4, ...: the second
                       follows the first (default 0); the others independent
  --coupling C         at each time point the follower takes, with
                       probability C, its leader's state (or its opposite),
                       and otherwise its own chain's (default 0.8)
  --phase in|anti|mixed
                       the leader's state (in, the default), its opposite
                       (anti), or in and anti by turns (mixed)
  --low MEAN,SD        the normal density of the low state (default 2,0.6)
  --high MEAN,SD       the normal density of the high state (default 5,0.6)
  --shared-course      one hidden course per gene, shared by its replicates
                       (by default each replicate has its own, as scan's
                       model takes it); the values stay independent
  --seed S             the random stream, 1 to 2147483562 (default 1): the
                       same options give the same bytes on every machine

Files (none of them may exist; all appear together, complete):
  -o, --output TABLE   the expression table (tab-separated): a header row
                       "id" and the sample names, then a row per gene
  --truth FILE         per gene: gene, switching (its probability), partner
                       (the other gene of its pair, or NA), role (leader,
                       follower or independent), coupling and phase (NA for
                       an independent gene); default TABLE without .tsv,
                       then .truth.tsv
  --para PREFIX        the generating densities as PREFIX1.txt (low) and
                       PREFIX2.txt (high), a column per gene, for scan's
                       --para1 and --para2 with --mode G; default TABLE
                       without .tsv, then .para
  --quiet              print nothing
  -h, --help           this text
  --version            the program's version

Standard output names the files and the scan commands that read them:
  coswitch scan TABLE --replicates R -o DIR
  coswitch scan TABLE --replicates R --para1 P1 --para2 P2 --mode G -o DIR
)";

// A value as a POSIX shell takes it back, quoted only when it must be.
std::string shell_word(const std::string& s) {
    bool plain = !s.empty();
    for (const char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.' || c == '/' || c == ',' || c == '+' || c == '='))
            plain = false;
    if (plain) return s;
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string without_suffix(const std::string& s, const std::string& suffix) {
    if (s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
        return s.substr(0, s.size() - suffix.size());
    return s;
}

struct Output {
    std::string path;
    std::string text;
    NewFile file;
};

}  // namespace

int simulate_main(const std::vector<std::string>& args) {
    OptionWords a(args, "simulate");
    SimulationDesign d;
    bool has_genes = false, has_times = false, quiet = false;
    std::string table, truth, para;
    auto number = [&](const std::string& text) {
        double v = 0;
        if (!parse_number(text, v)) a.fail("option " + a.name() + ": " + shown_value(text) + " is not a number");
        return v;
    };
    auto density = [&] {
        const std::string v = a.value();
        const auto comma = v.find(',');
        if (comma == std::string::npos)
            a.fail("option " + a.name() + ": " + shown_value(v) + " is not MEAN,SD");
        return StateDensity{number(v.substr(0, comma)), number(v.substr(comma + 1))};
    };
    while (a.next()) {
        const std::string& n = a.name();
        if (took_help_or_version(a, kSimulateUsage)) {
            return kExitOk;
        } else if (n == "-o" || n == "--output") {
            table = a.nonempty_value("a file name");
        } else if (n == "--truth") {
            truth = a.nonempty_value("a file name");
        } else if (n == "--para") {
            para = a.nonempty_value("a file name prefix");
        } else if (n == "--genes") {
            d.genes = a.int_value();
            has_genes = true;
        } else if (n == "--time-points") {
            d.time_points = a.int_value();
            has_times = true;
        } else if (n == "--replicates") {
            d.replicates = a.int_value();
        } else if (n == "--switch") {
            const std::string v = a.value();
            const auto dots = v.find("..");
            d.switch_low = number(v.substr(0, dots));
            d.switch_high = dots == std::string::npos ? d.switch_low : number(v.substr(dots + 2));
        } else if (n == "--coupled") {
            d.coupled_pairs = a.int_value();
        } else if (n == "--coupling") {
            d.coupling = number(a.value());
        } else if (n == "--phase") {
            const std::string v = a.value();
            if (v == "in") d.phase = CouplingPhase::in;
            else if (v == "anti") d.phase = CouplingPhase::anti;
            else if (v == "mixed") d.phase = CouplingPhase::mixed;
            else a.fail("option --phase: " + shown_value(v) + " is not one of in, anti, mixed");
        } else if (n == "--low") {
            d.low = density();
        } else if (n == "--high") {
            d.high = density();
        } else if (n == "--shared-course") {
            a.no_value();
            d.shared_course = true;
        } else if (n == "--seed") {
            d.seed = a.int_value();
        } else if (n == "--quiet") {
            a.no_value();
            quiet = true;
        } else {
            a.reject();
        }
    }
    const std::string missing =
        missing_options({{!table.empty(), "-o"}, {has_genes, "--genes"}, {has_times, "--time-points"}});
    if (!missing.empty()) a.fail("missing " + missing);
    const std::string fault = design_fault(d);
    if (!fault.empty()) a.fail(fault);
    const std::string stem = without_suffix(table, ".tsv");
    if (truth.empty()) truth = stem + ".truth.tsv";
    if (para.empty()) para = stem + ".para";
    const std::string para1 = para + "1.txt", para2 = para + "2.txt";
    const std::vector<std::string> names{table, truth, para1, para2};
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j)
            if (names[i] == names[j])
                a.fail("the table, the truth and the two density files need four different names (" +
                       names[i] + " twice)");

    const Simulation s = naming_out_of_memory("simulating", [&] { return simulate(d); });
    std::deque<Output> outputs;
    naming_out_of_memory("writing the simulation", [&] {
        for (const auto& [path, text] : {std::pair{table, simulated_table_text(s)},
                                         std::pair{truth, simulated_truth_text(s)},
                                         std::pair{para1, simulated_para_text(s, 0)},
                                         std::pair{para2, simulated_para_text(s, 1)}}) {
            Output& o = outputs.emplace_back();
            o.path = path;
            o.text = text;
        }
    });
    std::vector<NewFile*> files;
    for (Output& o : outputs) {
        o.file.open(o.path, o.path);
        files.push_back(&o.file);
    }
    for (Output& o : outputs) o.file.write(o.text);
    commit_together(files);
    if (quiet) return kExitOk;

    std::printf(" simulated %d genes (%d coupled pair%s), %d time points x %d replicate%s, seed %d\n",
                d.genes, d.coupled_pairs, d.coupled_pairs == 1 ? "" : "s", d.time_points, d.replicates,
                d.replicates == 1 ? "" : "s", d.seed);
    std::printf(" wrote %s (the table), %s (the truth), %s and %s (the densities)\n", table.c_str(),
                truth.c_str(), para1.c_str(), para2.c_str());
    const std::string scan = "coswitch scan " + shell_word(table) + " --replicates " +
                             std::to_string(d.replicates);
    const std::string out = " -o " + shell_word(stem + "-scan");
    std::printf(" scan with densities fitted per gene:\n   %s%s\n", scan.c_str(), out.c_str());
    std::printf(" or with the generating densities:\n   %s --para1 %s --para2 %s --mode G%s\n",
                scan.c_str(), shell_word(para1).c_str(), shell_word(para2).c_str(), out.c_str());
    return kExitOk;
}

}  // namespace coswitch
